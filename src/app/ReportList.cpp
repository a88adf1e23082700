#include "app/ReportList.h"

#include <algorithm>

#include "platform/ListBox.h"

CReportList::CReportList(ListBox* box, int lineLimit) : maximumLines(lineLimit), listBox(box) {}

CReportList::~CReportList() {
    Clear();
    Hide();
}

void CReportList::Show() {
    if (listBox != nullptr) {
        listBox->SetVisible(true);
    }
}

void CReportList::Hide() {
    if (listBox != nullptr) {
        listBox->SetVisible(false);
    }
}

int CReportList::AddLine(const std::string& text) {
    if (listBox == nullptr) {
        return NoListBox;
    }
    // A list box that will not shrink would hold this loop forever.
    for (int count = listBox->Count(); count >= maximumLines;) {
        if (RemoveOldest() != Removed) {
            break;
        }
        int after = listBox->Count();
        if (after >= count) {
            break;
        }
        count = after;
    }
    ReportLine line{text, 0, listBox->LineWidth(text)};
    if (listBox->HorizontalExtent() < line.width) {
        listBox->SetHorizontalExtent(line.width);
    }
    int index = std::min(lineCount, std::max(listBox->Count(), 0));
    line.index = listBox->Insert(index, text);
    if (line.index < 0) {
        return Refused;
    }
    listBox->Select(line.index);
    auto place = std::find_if(lines.begin(), lines.end(),
                              [&](const ReportLine& other) { return other.width <= line.width; });
    lines.insert(place, std::move(line));
    ++lineCount;
    return Added;
}

int CReportList::RemoveOldest() {
    if (listBox->Count() < 0) {
        return CountFailed;
    }
    std::string oldest;
    if (!listBox->Text(0, oldest)) {
        return ReadFailed;
    }
    auto line = std::find_if(lines.begin(), lines.end(),
                             [&](const ReportLine& each) { return each.text == oldest; });
    if (line != lines.end()) {
        RemoveLine(line);
    } else {
        listBox->Remove(0);
    }
    lineCount = std::max(lineCount - 1, 0);
    return Removed;
}

void CReportList::Clear() {
    while (!lines.empty()) {
        RemoveLine(lines.begin());
        lineCount = std::max(lineCount - 1, 0);
    }
}

void CReportList::RemoveLine(Lines::iterator line) {
    std::string text = std::move(line->text);
    lines.erase(line);
    if (listBox == nullptr) {
        return;
    }
    if (!lines.empty()) {
        listBox->SetHorizontalExtent(lines.front().width);
    }
    int item = listBox->FindExact(text);
    if (item >= 0) {
        listBox->Remove(item);
    }
}

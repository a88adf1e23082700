#pragma once

#include <list>
#include <string>

class ListBox;

// The last lines of the event log in a list box, oldest on top, with the horizontal
// scrolling extent kept to the widest line still listed.
class CReportList {
public:
    static constexpr int MaxLines = 21;

    enum AddResult { Added = 0, NoListBox = 1, Refused = 2 };
    enum RemoveResult { Removed = 0, ReadFailed = 3, CountFailed = 4 };

    CReportList(ListBox* listBox, int maximumLines);
    ~CReportList();
    CReportList(const CReportList&) = delete;
    CReportList& operator=(const CReportList&) = delete;

    void Show();
    void Hide();
    int AddLine(const std::string& text);
    int RemoveOldest();
    void Clear();
    int LineCount() const { return lineCount; }

private:
    struct ReportLine {
        std::string text;
        int index = 0;
        int width = 0;
    };
    using Lines = std::list<ReportLine>;

    void RemoveLine(Lines::iterator line);

    int maximumLines;
    ListBox* listBox;
    Lines lines;  // widest first; among equal widths the later line first
    int lineCount = 0;
};

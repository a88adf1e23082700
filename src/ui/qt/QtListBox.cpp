#include "ui/qt/QtListBox.h"

#include <QFontMetrics>
#include <QListWidget>

int QtListBox::Count() const {
    return widget_.count();
}

int QtListBox::Insert(int index, const std::string& text) {
    if (index < 0 || index > widget_.count()) {
        return -1;
    }
    widget_.insertItem(index, QString::fromStdString(text));
    return index;
}

bool QtListBox::Text(int index, std::string& text) const {
    const QListWidgetItem* item = widget_.item(index);
    if (item == nullptr) {
        return false;
    }
    text = item->text().toStdString();
    return true;
}

bool QtListBox::Remove(int index) {
    QListWidgetItem* item = widget_.takeItem(index);
    delete item;
    return item != nullptr;
}

void QtListBox::RemoveAll() {
    widget_.clear();
}

int QtListBox::FindExact(const std::string& text) const {
    const QString wanted = QString::fromStdString(text);
    for (int i = 0; i < widget_.count(); ++i) {
        if (widget_.item(i)->text().compare(wanted, Qt::CaseInsensitive) == 0) {
            return i;
        }
    }
    return -1;
}

int QtListBox::Selected() const {
    // Focus alone makes a row current; only a selected row counts.
    const QList<QListWidgetItem*> selected = widget_.selectedItems();
    return selected.isEmpty() ? -1 : widget_.row(selected.first());
}

void QtListBox::Select(int index) {
    widget_.setCurrentRow(index);
    if (QListWidgetItem* item = widget_.item(index)) {
        widget_.scrollToItem(item);
    }
}

int QtListBox::LineWidth(const std::string& text) const {
    const QFontMetrics metrics(widget_.font());
    return metrics.horizontalAdvance(QString::fromStdString(text)) + metrics.averageCharWidth();
}

// The list widget sizes its own horizontal scrolling to the widest item; the extent is
// kept so the report list's bookkeeping reads back what it set.
void QtListBox::SetHorizontalExtent(int pixels) {
    extent_ = pixels;
}

void QtListBox::SetVisible(bool visible) {
    widget_.setVisible(visible);
}

void QtListBox::SetFocus() {
    widget_.setFocus();
}

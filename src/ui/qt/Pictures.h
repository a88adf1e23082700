#pragma once

#include <QIcon>
#include <QPixmap>
#include <map>

// The program's pictures and icons from its compiled-in resources, loaded once and
// kept for the life of the program, since the status screen paints ten times a second.
class Pictures {
public:
    // An empty pixmap for an unknown id.
    const QPixmap& Picture(int id);
    // The same picture with pure black made transparent.
    const QPixmap& PictureBlackTransparent(int id);
    const QIcon& Icon(int id);

private:
    std::map<int, QPixmap> pictures_;
    std::map<int, QPixmap> transparent_;
    std::map<int, QIcon> icons_;
};

#include "ui/qt/QtCanvas.h"

#include <QFont>
#include <QPainter>

#include "ui/qt/Pictures.h"

namespace {

QRect ToQRect(const Rect& r) {
    return QRect(r.left, r.top, r.Width(), r.Height());
}

}  // namespace

void QtCanvas::DrawPicture(int pictureId, const Rect& target, bool blackIsTransparent) {
    const QPixmap& picture = blackIsTransparent ? pictures_.PictureBlackTransparent(pictureId)
                                                : pictures_.Picture(pictureId);
    if (!picture.isNull()) {
        painter_.drawPixmap(ToQRect(target), picture);
    }
}

void QtCanvas::DrawText(const std::string& text, const Rect& area, unsigned flags) {
    int qtFlags = Qt::AlignLeft;
    qtFlags |= (flags & TextVCenter) ? Qt::AlignVCenter : Qt::AlignTop;
    if (flags & TextWordBreak) {
        qtFlags |= Qt::TextWordWrap;
    }
    painter_.save();
    painter_.setClipRect(ToQRect(area), Qt::IntersectClip);
    painter_.drawText(ToQRect(area), qtFlags, QString::fromStdString(text));
    painter_.restore();
}

void QtCanvas::SelectFont(int pixelHeight) {
    QFont font;
    font.setStyleHint(QFont::SansSerif);
    font.setFamily(QStringLiteral("Sans Serif"));
    font.setWeight(QFont::Normal);
    font.setPixelSize(pixelHeight > 0 ? pixelHeight : 1);
    painter_.setFont(font);
}

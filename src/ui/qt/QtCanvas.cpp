#include "ui/qt/QtCanvas.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

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
    const QRect box = ToQRect(area);
    const QString value = QString::fromStdString(text);
    int qtFlags = Qt::AlignLeft | Qt::AlignTop;
    if (flags & TextWordBreak) {
        qtFlags |= Qt::TextWordWrap;
    }
    // Centring applies to a text that fits on one line; a wrapped one starts at the top.
    if ((flags & TextVCenter) &&
        painter_.boundingRect(box, qtFlags, value).height() <= box.height()) {
        qtFlags = (qtFlags & ~Qt::AlignTop) | Qt::AlignVCenter;
    }
    painter_.save();
    painter_.setClipRect(box, Qt::IntersectClip);
    painter_.drawText(box, qtFlags, value);
    painter_.restore();
}

void QtCanvas::SelectFont(int pixelHeight) {
    const int height = pixelHeight > 0 ? pixelHeight : 1;
    QFont font;
    font.setStyleHint(QFont::SansSerif);
    font.setFamily(QStringLiteral("Sans Serif"));
    font.setWeight(QFont::Normal);
    // The height asked for is the whole line, as the layout's two-unit text boxes
    // expect two lines; Qt's pixel size is the em, and its lines are taller than that.
    font.setPixelSize(height);
    const int lineHeight = QFontMetrics(font).height();
    if (lineHeight > height) {
        font.setPixelSize(std::max(1, height * height / lineHeight));
    }
    painter_.setFont(font);
}

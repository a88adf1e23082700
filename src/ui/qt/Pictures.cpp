#include "ui/qt/Pictures.h"

#include <QBitmap>
#include <QImage>

const QPixmap& Pictures::Picture(int id) {
    auto it = pictures_.find(id);
    if (it == pictures_.end()) {
        it = pictures_.emplace(id, QPixmap(QStringLiteral(":/pictures/%1.png").arg(id))).first;
    }
    return it->second;
}

const QPixmap& Pictures::PictureBlackTransparent(int id) {
    auto it = transparent_.find(id);
    if (it == transparent_.end()) {
        QImage image = Picture(id).toImage().convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                if ((line[x] & 0x00FFFFFFu) == 0) {
                    line[x] = 0;
                }
            }
        }
        it = transparent_.emplace(id, QPixmap::fromImage(image)).first;
    }
    return it->second;
}

const QIcon& Pictures::Icon(int id) {
    auto it = icons_.find(id);
    if (it == icons_.end()) {
        it = icons_.emplace(id, QIcon(QStringLiteral(":/icons/%1.png").arg(id))).first;
    }
    return it->second;
}

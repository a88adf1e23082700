#pragma once

#include "platform/Canvas.h"

class Pictures;
class QPainter;

// Paints the status screen with a QPainter during one paint event.
class QtCanvas final : public Canvas {
public:
    QtCanvas(QPainter& painter, Pictures& pictures) : painter_(painter), pictures_(pictures) {}

    void DrawPicture(int pictureId, const Rect& target, bool blackIsTransparent) override;
    void DrawText(const std::string& text, const Rect& area, unsigned flags) override;
    void SelectFont(int pixelHeight) override;

private:
    QPainter& painter_;
    Pictures& pictures_;
};

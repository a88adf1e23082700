#pragma once

#include <string>

#include "platform/Geometry.h"

// Where the status screen draws during one paint. Texts are UTF-8 and drawn in the
// canvas's default colours; pictures are the program's bitmaps by resource id.
class Canvas {
public:
    // Flags of DrawText; they combine.
    static constexpr unsigned TextWordBreak = 0x10;
    static constexpr unsigned TextVCenter = 0x04;

    Canvas() = default;
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    virtual ~Canvas() = default;

    // Stretches the whole picture onto target; with blackIsTransparent, pure black
    // (0, 0, 0) pixels leave what is underneath.
    virtual void DrawPicture(int pictureId, const Rect& target, bool blackIsTransparent) = 0;
    // Top-left aligned text clipped to area; TextWordBreak wraps at word boundaries,
    // TextVCenter centres a single line vertically.
    virtual void DrawText(const std::string& text, const Rect& area, unsigned flags) = 0;
    // Normal-weight proportional sans-serif font of the given pixel height for the
    // texts that follow.
    virtual void SelectFont(int pixelHeight) = 0;
};

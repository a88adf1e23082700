#pragma once

#include <string>
#include <vector>

#include "platform/Canvas.h"

// Records what one paint drew.
class SimCanvas final : public Canvas {
public:
    struct Picture {
        int id;
        Rect target;
        bool blackIsTransparent;
    };
    struct Text {
        std::string text;
        Rect area;
        unsigned flags;
    };

    void DrawPicture(int pictureId, const Rect& target, bool blackIsTransparent) override {
        pictures.push_back({pictureId, target, blackIsTransparent});
    }
    void DrawText(const std::string& text, const Rect& area, unsigned flags) override {
        texts.push_back({text, area, flags});
    }
    void SelectFont(int pixelHeight) override { fontHeight = pixelHeight; }

    // The text drawn in area, or nullptr.
    const Text* TextIn(const Rect& area) const {
        for (const auto& text : texts) {
            if (text.area == area) {
                return &text;
            }
        }
        return nullptr;
    }
    void Clear() {
        pictures.clear();
        texts.clear();
    }

    std::vector<Picture> pictures;
    std::vector<Text> texts;
    int fontHeight = 0;
};

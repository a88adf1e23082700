#pragma once

#include "platform/Geometry.h"

// Where the status screen puts its pictures, texts and the report list, all derived
// from the window's size.
struct ScreenLayout {
    int unit = 0;
    Rect textArea;
    Rect deliverySquare;
    Rect gpsSquare;
    Rect modePicture;
    Rect deliveryText;
    Rect gpsText;
    Rect latitudeLine;
    Rect longitudeLine;
    Rect satellitesLine;
    Rect reportList;
};

ScreenLayout ComputeScreenLayout(Size window);

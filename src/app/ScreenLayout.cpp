#include "app/ScreenLayout.h"

ScreenLayout ComputeScreenLayout(Size window) {
    const int w = window.width;
    const int h = window.height;
    const int u = h / 18;
    const int m = u * 3 / 2;
    const int q = u / 4;
    ScreenLayout layout;
    layout.unit = u;
    layout.textArea = {m, 2 * u, w - m, h - 2 * u};
    layout.reportList = {5, h / 2, 5 + (w - 10), h / 2 + (h / 2 - 5)};
    layout.deliverySquare = {m, 2 * u, m + 3 * u, 5 * u};
    layout.gpsSquare = {m, 6 * u, m + 3 * u, 9 * u};
    layout.modePicture = {w - (u * 7 / 2), q, w, q + 2 * u};
    layout.deliveryText = {m + 3 * u, 2 * u + u / 2, w - m, 4 * u + u / 2};
    layout.gpsText = {m + 3 * u, 6 * u + u / 2, w - m, 8 * u + u / 2};
    layout.latitudeLine = {m, h - 8 * u, w - m, h - 7 * u};
    layout.longitudeLine = {m, h - 6 * u, w - m, h - 5 * u};
    layout.satellitesLine = {m, h - 4 * u, w - m, h - 3 * u};
    return layout;
}

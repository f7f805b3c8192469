#pragma once
// The main frame's size and place, and the centring that the dialogs share.

#include "core/display/geometry.h"

namespace gauzel {

inline constexpr int kFrameWidth = 550;  // initial size, and the minimum tracking size
inline constexpr int kFrameHeight = 450;

// Keeps the rectangle's size and centres it on a screen of the given pixels; integer halves
// truncate toward zero, so a rectangle wider than the screen gets a negative left.
void CenterRectOnScreen(Rect& rect, int screenWidth, int screenHeight);

// The frame's first rectangle: 550 x 450, centred.
Rect InitialFrameRect(int screenWidth, int screenHeight);

// Dialog templates are laid out in dialog units: a quarter of the font's average character
// width across, an eighth of its height down, each corner rounded to the nearest pixel.
struct DialogUnits {
    int averageCharWidth;
    int charHeight;
    // x, y, width and height in dialog units to a pixel rectangle.
    Rect Map(int x, int y, int width, int height) const;
    int X(int units) const { return (units * averageCharWidth + 2) / 4; }
    int Y(int units) const { return (units * charHeight + 4) / 8; }
};

}  // namespace gauzel

#pragma once
// The window's pixel helpers that need no frame: dialog units, centring, Qt forms of the core's
// rectangles and colours.

#include <QColor>
#include <QFont>
#include <QRect>

#include "core/display/frame_geometry.h"
#include "core/profile/profile.h"

namespace gauzel {

// Dialog units of a font: the average width of the 52 letters, and the font's height.
DialogUnits DialogUnitsOf(const QFont& font);

// A template rectangle (x, y, width, height in dialog units) in pixels.
QRect DialogRect(const DialogUnits& units, int x, int y, int width, int height);

// Keeps the rectangle's size and centres it on the primary screen (the dialogs' placing).
void CenterRectOnScreen(QRect& rect);

inline QRect ToQRect(const Rect& rect) { return QRect(rect.left, rect.top, rect.Width(), rect.Height()); }
inline Rect FromQRect(const QRect& rect) {
    return {rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
}
inline QColor ToQColor(Colour colour) {
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

}  // namespace gauzel

#include "core/display/frame_geometry.h"

namespace gauzel {

void CenterRectOnScreen(Rect& rect, int screenWidth, int screenHeight) {
    const int width = rect.Width();
    const int height = rect.Height();
    rect.left = (screenWidth - width) / 2;
    rect.top = (screenHeight - height) / 2;
    rect.right = rect.left + width;
    rect.bottom = rect.top + height;
}

Rect InitialFrameRect(int screenWidth, int screenHeight) {
    Rect rect{0, 0, kFrameWidth, kFrameHeight};
    CenterRectOnScreen(rect, screenWidth, screenHeight);
    return rect;
}

Rect DialogUnits::Map(int x, int y, int width, int height) const {
    return {X(x), Y(y), X(x + width), Y(y + height)};
}

}  // namespace gauzel

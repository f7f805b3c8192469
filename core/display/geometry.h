#pragma once
// Integer rectangles and points in pixels, as the window system gives them.

namespace gauzel {

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

// Right and bottom are one past the last pixel row and column.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// pi with ten decimals: every conversion between degrees and radians uses this value.
inline constexpr double kPi = 3.1415926535;

}  // namespace gauzel

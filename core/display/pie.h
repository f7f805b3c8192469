#pragma once
// The pie's geometry: slices counter-clockwise from 3 o'clock, largest first, and the way back
// from a point to a slice.

#include <optional>
#include <vector>

#include "core/display/geometry.h"
#include "core/profile/profile.h"

namespace gauzel {

// The point at `degrees` on the outline of the ellipse inscribed in `rect` (0 is 3 o'clock,
// 90 the top; screen y grows downward).
Point PointOnEllipse(Rect rect, double degrees);

// Slice i stands for entry i: zero sizes and the white tail come last in the sorted order.
struct PieSlice {
    Colour colour;
    double endAngle;  // degrees, 0 to 360
    Point start;      // on the outline; equal to `end` means the whole ellipse
    Point end;
};

// What the pie shows of a complete profile, whatever its square: each slice's colour and end
// angle, in drawing order. Entries of size 0 and white tail entries get none. The end angles
// are the list that HitTestPie reads.
struct PieWedges {
    std::vector<Colour> colours;
    std::vector<double> endAngles;
};
PieWedges ComputePieWedges(const Profile& profile);

// The slices of `wedges` on the outline of the ellipse inscribed in `rectPie`: a new square
// needs only this step.
std::vector<PieSlice> PlacePieSlices(const PieWedges& wedges, Rect rectPie);

// The hit-test disc of a pie square: one pixel right of and below the drawing centre.
struct PieDisc {
    Point center;  // m_ptPieCenter
    int radius;    // m_nPieRadius; a click counts below radius - 1
};
PieDisc PieDiscOf(Rect rectPie);

// The slice under a double-click: the index into `endAngles`, or nothing when the point lies
// outside the square (left and top edges inside), outside the disc, or on the unpainted tail.
std::optional<std::size_t> HitTestPie(Rect rectPie, PieDisc disc, const std::vector<double>& endAngles,
                                      Point click);

// The angle of `click` seen from `center`, in [0, 360), counter-clockwise from 3 o'clock.
double AngleOfPoint(Point center, Point click);

}  // namespace gauzel

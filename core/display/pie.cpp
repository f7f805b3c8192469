#include "core/display/pie.h"

#include <cmath>

namespace gauzel {

Point PointOnEllipse(Rect rect, double degrees) {
    const double radians = degrees * kPi / 180.0;
    const int width = rect.Width();
    const int height = rect.Height();
    const int cx = rect.left + width / 2;
    const int cy = rect.top + height / 2;
    return {cx + static_cast<int>(std::cos(radians) * width / 2.0),
            cy + static_cast<int>(-(std::sin(radians) * height) / 2)};
}

PieWedges ComputePieWedges(const Profile& profile) {
    PieWedges wedges;
    if (!profile.IsComplete()) return wedges;
    ByteCount runningSum = 0;
    std::size_t slice = 0;  // advances only for drawn slices; its colour is looked up by it
    for (std::size_t i = 0; i < profile.EntryCount(); ++i) {
        const ByteCount size = profile.EntrySize(i);
        if (size == 0) continue;
        const Colour colour = profile.m_pEntryColors[slice];
        if (colour == kWhite) continue;
        wedges.colours.push_back(colour);
        // The exact running sum, turned into an angle only here.
        wedges.endAngles.push_back(static_cast<double>(runningSum + size) * 360.0 /
                                   static_cast<double>(profile.m_dTreeSize));
        runningSum += size;
        ++slice;
    }
    return wedges;
}

std::vector<PieSlice> PlacePieSlices(const PieWedges& wedges, Rect rectPie) {
    std::vector<PieSlice> slices;
    slices.reserve(wedges.endAngles.size());
    Point start = PointOnEllipse(rectPie, 0.0);
    for (std::size_t i = 0; i < wedges.endAngles.size(); ++i) {
        const Point end = PointOnEllipse(rectPie, wedges.endAngles[i]);
        slices.push_back({wedges.colours[i], wedges.endAngles[i], start, end});
        start = end;
    }
    return slices;
}

PieDisc PieDiscOf(Rect rectPie) {
    const int radius = rectPie.Height() / 2 + 1;
    return {{rectPie.left + radius, rectPie.top + radius}, radius};
}

double AngleOfPoint(Point center, Point click) {
    double angle =
        std::atan2(static_cast<double>(center.y - click.y), static_cast<double>(click.x - center.x)) * 180.0 /
        kPi;
    if (angle < 0.0) angle += 360.0;
    return angle;
}

std::optional<std::size_t> HitTestPie(Rect rectPie, PieDisc disc, const std::vector<double>& endAngles,
                                      Point click) {
    if (click.x < rectPie.left || click.x >= rectPie.right || click.y < rectPie.top ||
        click.y >= rectPie.bottom)
        return std::nullopt;
    const double dx = disc.center.x - click.x;
    const double dy = disc.center.y - click.y;
    if (static_cast<int>(std::sqrt(dx * dx + dy * dy)) >= disc.radius - 1) return std::nullopt;

    const double angle = AngleOfPoint(disc.center, click);
    std::size_t i = 0;
    while (i < endAngles.size() && endAngles[i] < angle) ++i;
    if (i == endAngles.size()) return std::nullopt;  // the white tail
    return i;
}

}  // namespace gauzel

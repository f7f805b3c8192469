#include <gtest/gtest.h>

#include "core/display/pie.h"

#include <cmath>

namespace gauzel {
namespace {

Profile Coloured(const std::vector<ByteCount>& sizes) {
    Profile profile;
    for (ByteCount size : sizes) profile.AddBytes(profile.AddEntry("e"), size);
    profile.AssignEntryColors();
    return profile;
}

std::vector<double> EndAngles(const std::vector<PieSlice>& slices) {
    std::vector<double> angles;
    for (const PieSlice& slice : slices) angles.push_back(slice.endAngle);
    return angles;
}

const Rect kSquare{100, 10, 301, 211};  // 201 pixels

TEST(PointOnEllipse, StartsAtThreeOClockAndTurnsCounterClockwise) {
    EXPECT_EQ(PointOnEllipse(kSquare, 0.0), (Point{300, 110}));
    EXPECT_EQ(PointOnEllipse(kSquare, 90.0), (Point{200, 10}));
    EXPECT_EQ(PointOnEllipse(kSquare, 180.0), (Point{100, 110}));
    EXPECT_EQ(PointOnEllipse(kSquare, 270.0), (Point{200, 210}));
    EXPECT_EQ(PointOnEllipse(kSquare, 360.0), PointOnEllipse(kSquare, 0.0));
    EXPECT_EQ(PointOnEllipse(Rect{0, 0, 40, 20}, 90.0), (Point{20, 0}));  // an ellipse, not a circle
}

TEST(PieSlices, OneEntryIsAFullBlueDisc) {
    const std::vector<PieSlice> slices = PlacePieSlices(ComputePieWedges(Coloured({700})), kSquare);
    ASSERT_EQ(slices.size(), 1u);
    EXPECT_EQ(slices[0].endAngle, 360.0);
    EXPECT_EQ(slices[0].start, slices[0].end);
    EXPECT_EQ(slices[0].colour, Profile::m_crPalette[0]);
}

TEST(PieSlices, TwoEqualEntriesSplitTheCircleBlueThenGreen) {
    const std::vector<PieSlice> slices = PlacePieSlices(ComputePieWedges(Coloured({5, 5})), kSquare);
    EXPECT_EQ(EndAngles(slices), (std::vector<double>{180, 360}));
    EXPECT_EQ(slices[0].colour, Profile::m_crPalette[0]);
    EXPECT_EQ(slices[1].colour, Profile::m_crPalette[1]);
    EXPECT_EQ(slices[1].start, slices[0].end);
}

TEST(PieSlices, WhiteTailAndZeroSizesGetNoSlice) {
    const std::vector<PieSlice> tail = PlacePieSlices(ComputePieWedges(Coloured({990, 6, 4})), kSquare);
    ASSERT_EQ(tail.size(), 2u);
    EXPECT_DOUBLE_EQ(tail[0].endAngle, 356.4);
    EXPECT_DOUBLE_EQ(tail[1].endAngle, 358.56);

    EXPECT_EQ(PlacePieSlices(ComputePieWedges(Coloured({10, 0})), kSquare).size(), 1u);
    EXPECT_TRUE(PlacePieSlices(ComputePieWedges(Coloured({0, 0})), kSquare).empty());
    EXPECT_TRUE(PlacePieSlices(ComputePieWedges(Profile{}), kSquare).empty());
}

TEST(PieSlices, TwentyFiveEqualEntriesCycleTheColours) {
    const std::vector<PieSlice> slices =
        PlacePieSlices(ComputePieWedges(Coloured(std::vector<ByteCount>(25, 4))), kSquare);
    ASSERT_EQ(slices.size(), 25u);
    EXPECT_EQ(slices[21].colour, Profile::m_crPalette[0]);
    EXPECT_EQ(slices[24].endAngle, 360.0);
}

TEST(HitTest, DiscIsOnePixelOffTheDrawingCentre) {
    const PieDisc disc = PieDiscOf(kSquare);
    EXPECT_EQ(disc.radius, 101);
    EXPECT_EQ(disc.center, (Point{201, 111}));
}

TEST(HitTest, SquareEdgesAndDiscBound) {
    const PieDisc disc = PieDiscOf(kSquare);
    const std::vector<double> halves{180, 360};
    EXPECT_EQ(HitTestPie(kSquare, disc, halves, {300, 111}), 0u);            // distance 99, angle 0
    EXPECT_EQ(HitTestPie(kSquare, disc, halves, {301, 111}), std::nullopt);  // right edge is outside
    EXPECT_EQ(HitTestPie(kSquare, disc, halves, {201, 11}), std::nullopt);   // distance 100
    EXPECT_EQ(HitTestPie(kSquare, disc, halves, {100, 10}), std::nullopt);  // inside the square, off the disc
}

TEST(HitTest, AnglesAndSliceBoundaries) {
    const PieDisc disc = PieDiscOf(kSquare);
    EXPECT_NEAR(AngleOfPoint(disc.center, {201, 50}), 90.0, 1e-6);
    EXPECT_NEAR(AngleOfPoint(disc.center, {201, 150}), 270.0, 1e-6);
    EXPECT_GT(AngleOfPoint(disc.center, {150, 111}), 180.0);  // pi with ten decimals is a bit small
    EXPECT_NEAR(AngleOfPoint(disc.center, {150, 111}), 180.0000000051, 1e-9);

    const std::vector<double> halves{180, 360};
    EXPECT_EQ(HitTestPie(kSquare, disc, halves, {201, 50}), 0u);
    EXPECT_EQ(HitTestPie(kSquare, disc, halves, {201, 150}), 1u);
    EXPECT_EQ(HitTestPie(kSquare, disc, halves, {150, 111}), 1u);

    const std::vector<double> tail{356.4, 358.56};
    const double radians = 359.0 * kPi / 180.0;
    const Point at359{disc.center.x + static_cast<int>(std::lround(90 * std::cos(radians))),
                      disc.center.y - static_cast<int>(std::lround(90 * std::sin(radians)))};
    ASSERT_GT(AngleOfPoint(disc.center, at359), 358.56);
    EXPECT_EQ(HitTestPie(kSquare, disc, tail, at359), std::nullopt);
}

}  // namespace
}  // namespace gauzel

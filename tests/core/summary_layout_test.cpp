#include <gtest/gtest.h>

#include <cerrno>
#include <tuple>

#include "core/display/format_size.h"
#include "core/display/frame_geometry.h"
#include "core/display/layout.h"
#include "core/display/summary.h"

namespace gauzel {
namespace {

// A profile of `path` whose tree is `tree` bytes of loose files (none: no entries yet).
Profile At(const std::string& path, ByteCount tree, ByteCount freeBytes, ByteCount disk) {
    Profile profile(path, path.size() > 2);
    profile.SetVolume(freeBytes, disk, true);
    if (tree != 0) profile.AddBytes(profile.AddFilesEntry(), tree);
    return profile;
}

TEST(Summary, ThreeLinesAtADriveRoot) {
    const SummaryLines lines = MakeSummaryLines(At("C:", 8000000, 1234567, 10000000), Units::Bytes);
    EXPECT_EQ(lines.tree, "Size of tree: 8,000,000 bytes");
    EXPECT_EQ(lines.freeSpace, "C: has 1,234,567 bytes free (12%)");
    EXPECT_EQ(lines.path, "Path: C:\\");
}

TEST(Summary, BelowTheRootInOtherUnits) {
    const SummaryLines mega =
        MakeSummaryLines(At("C:\\dir\\sub", 8000000, 1234567, 10000000), Units::Megabytes);
    EXPECT_EQ(mega.tree, "Size of tree: 8M bytes");
    EXPECT_EQ(mega.path, "Path: C:\\dir\\sub");
    EXPECT_EQ(MakeSummaryLines(At("C:\\a\nb\xe2\x80\xae", 0, 0, 0), Units::Bytes).path,
              "Path: C:\\a\\nb\\u202E");
    const SummaryLines kilo = MakeSummaryLines(At("D:\\x", 0, 1234567, 0), Units::Kilobytes);
    EXPECT_EQ(kilo.freeSpace, "D: has 1,235K bytes free (100%)");
    // Fault: a first rescan that was stopped showed "0 bytes" as if the drive were empty.
    const Profile stopped = Profile::Unsummed("D:");
    EXPECT_EQ(MakeSummaryLines(stopped, Units::Bytes).tree, "Size of tree: not summed (stopped)");
    EXPECT_EQ(MakeSummaryLines(stopped, Units::Bytes).freeSpace, "D: free space not asked (stopped)");
}

// Fault: a total that left out what could not be read looked complete, in the summary, the
// legend and the tooltip alike.
TEST(Summary, WhatASizeLeavesOutIsMarked) {
    const ScanProblem unreadable{"C:\\a\\x", EACCES, 0};
    const ScanProblem unsized{"C:\\a", EACCES, 3};
    const std::tuple<std::vector<ScanProblem>, std::string, std::string> rows[] = {
        {{unreadable}, "1 directory could not be read", "1 directory below could not be read"},
        {{unsized}, "3 entries could not be sized", "3 entries below could not be sized"},
        {{unreadable, unreadable, unsized},
         "2 directories and 3 entries could not be read",
         "2 directories and 3 entries below could not be read"},
    };
    for (const auto& [problems, tree, below] : rows) {
        Profile profile = At("C:", 0, 0, 0);
        profile.AddBytes(profile.AddEntry("a"), 7000000);
        profile.AddBytes(profile.AddEntry("b"), 1000000);
        for (const ScanProblem& problem : problems) profile.AddProblem(0, problem);
        EXPECT_EQ(MakeSummaryLines(profile, Units::Kilobytes).tree,
                  "Size of tree: 8,000K+ bytes (" + tree + ")");
        EXPECT_EQ(
            EntryDescription(profile, 0, Units::Kilobytes),
            "a\n7,000K+ (7,000,000+ bytes)\n87.5% of the tree\n" + below + "; the size leaves them out.");
        EXPECT_EQ(EntrySizeText(profile, 1, Units::Kilobytes), "1,000K");  // complete: unmarked
    }
}

TEST(Summary, BaselinesFollowTheFontHeight) {
    const SummaryBaselines lines = MakeSummaryBaselines(400, 16);
    EXPECT_EQ(lines.path, 392);
    EXPECT_EQ(lines.freeSpace, 376);
    EXPECT_EQ(lines.tree, 360);
    EXPECT_EQ(MakeSummaryBaselines(400, 15).path, 393);  // half a line, truncated
}

// The list box at (8, 60)-(182, 316) in a view whose window and client start at the screen origin.
TimerLayout StartLayout() { return LayoutAtTimer({8, 60, 182, 316}, {0, 0, 600, 400}, {0, 0}); }

TEST(Layout, AtTheTimerThePieFollowsTheListBox) {
    const TimerLayout start = StartLayout();
    const ViewLayout& layout = start.layout;
    EXPECT_EQ(layout.m_nMargin, 8);
    EXPECT_EQ(layout.m_nHeaderSpace, 60);
    EXPECT_EQ(layout.m_rectPie, (Rect{198, 16, 499, 317}));
    EXPECT_EQ(layout.m_nPieRadius, 151);
    EXPECT_EQ(layout.m_ptPieCenter, (Point{349, 167}));
    EXPECT_EQ(layout.m_rectList, (Rect{8, 60, 182, 300}));
    EXPECT_TRUE(start.moveList);

    const TimerLayout exact = LayoutAtTimer({8, 60, 182, 300}, {0, 0, 600, 400}, {0, 0});
    EXPECT_FALSE(exact.moveList);  // already whole rows: the list box stays
}

TEST(Layout, ClientCoordinatesComeFromTheClientOrigin) {
    const TimerLayout start = LayoutAtTimer({108, 160, 282, 416}, {100, 100, 700, 500}, {101, 102});
    EXPECT_EQ(start.layout.m_nMargin, 8);
    EXPECT_EQ(start.layout.m_rectList, (Rect{7, 58, 181, 298}));
    EXPECT_EQ(start.layout.m_rectPie, (Rect{198, 16, 499, 317}));
}

TEST(Layout, SizeChangeKeepsThePieSquareAndTheListInWholeRows) {
    ViewLayout layout = StartLayout().layout;
    LayoutAtSize(layout, {0, 0, 700, 500});
    EXPECT_EQ(layout.m_rectList.bottom, 440);
    EXPECT_EQ(layout.m_rectPie, (Rect{198, 16, 623, 441}));
    EXPECT_EQ(layout.m_nPieRadius, 213);
    EXPECT_EQ(layout.m_ptPieCenter, (Point{411, 229}));

    LayoutAtSize(layout, {0, 0, 1600, 450});  // wide and low: the height bounds the pie
    EXPECT_EQ(layout.m_rectList.bottom, 380);
    EXPECT_EQ(layout.m_rectPie.Height(), 365);
    EXPECT_EQ(layout.m_rectPie.Width(), 365);

    LayoutAtSize(layout, {0, 0, 550, 1200});  // tall and narrow: the width bounds it
    EXPECT_EQ(layout.m_rectList.bottom, 1140);
    EXPECT_EQ(layout.m_rectPie.Width(), 550 - 16 - 198 + 1);
    EXPECT_EQ(layout.m_rectPie.Height() % 2, 1);
}

TEST(Frame, CentredOnTheScreen) {
    EXPECT_EQ(InitialFrameRect(1024, 768), (Rect{237, 159, 787, 609}));
    EXPECT_EQ(InitialFrameRect(640, 480), (Rect{45, 15, 595, 465}));
    EXPECT_EQ(InitialFrameRect(512, 768).left, -19);

    Rect rect{5, 5, 305, 105};
    CenterRectOnScreen(rect, 1024, 768);
    EXPECT_EQ(rect, (Rect{362, 334, 662, 434}));
    Rect odd{0, 0, 301, 10};
    CenterRectOnScreen(odd, 1024, 768);
    EXPECT_EQ(odd.left, 361);
}

}  // namespace
}  // namespace gauzel

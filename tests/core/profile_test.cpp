#include <gtest/gtest.h>

#include <map>

#include "core/profile/profile.h"

namespace gauzel {
namespace {

Profile WithSizes(const std::vector<ByteCount>& sizes) {
    Profile profile;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        profile.m_listNames.push_back(std::string(1, static_cast<char>('a' + i)));
        profile.m_listSizes.push_back(std::make_unique<ByteCount>(sizes[i]));
        profile.m_dTreeSize += sizes[i];
    }
    return profile;
}

std::vector<std::string> Names(const Profile& profile) { return profile.m_listNames; }

TEST(Ordering, EqualSizesKeepTheirOrderAndSizesKeepTheirIdentity) {
    Profile profile = WithSizes({5, 9, 5, 9});
    const ByteCount* b = profile.m_listSizes[1].get();
    profile.SortEntriesBySize();
    EXPECT_EQ(Names(profile), (std::vector<std::string>{"b", "d", "a", "c"}));
    EXPECT_EQ(profile.m_listSizes[0].get(), b);
    EXPECT_EQ(profile.EntrySize(3), 5);

    // Past 2^64 too: a size must not be cut to 64 bits to be ordered.
    const ByteCount twoTo64 = ByteCount{1} << 64;
    Profile wide = WithSizes({twoTo64 - 1, 7, twoTo64 + 1});
    wide.SortEntriesBySize();
    EXPECT_EQ(Names(wide), (std::vector<std::string>{"c", "a", "b"}));
}

TEST(Ordering, LargeListsAreStableAndDescending) {
    std::vector<ByteCount> sizes;
    for (unsigned i = 0; i < 100000; ++i) sizes.push_back(i % 7);
    Profile profile = WithSizes(sizes);
    std::map<const ByteCount*, std::size_t> before;  // original position of each size
    for (auto& size : profile.m_listSizes) before.emplace(size.get(), before.size());
    profile.SortEntriesBySize();
    for (std::size_t i = 1; i < sizes.size(); ++i) {
        ASSERT_GE(profile.EntrySize(i - 1), profile.EntrySize(i));
        if (profile.EntrySize(i - 1) == profile.EntrySize(i)) {  // equal sizes: original order kept
            ASSERT_LT(before[profile.m_listSizes[i - 1].get()], before[profile.m_listSizes[i].get()]);
        }
    }
}

TEST(Ordering, EmptyAndSingleProfilesStayAsTheyAre) {
    Profile empty;
    empty.SortEntriesBySize();
    empty.AssignEntryColors();
    EXPECT_TRUE(empty.m_listSizes.empty());
    EXPECT_FALSE(empty.IsComplete());

    Profile one = WithSizes({0});
    one.SortEntriesBySize();
    one.AssignEntryColors();
    EXPECT_EQ(one.m_pEntryColors, std::vector<Colour>{0xFF0000});  // palette 0 is blue
    EXPECT_TRUE(one.IsComplete());
}

TEST(Colours, PaletteIsBlueGreenCyanRedFirstAndWhiteLast) {
    EXPECT_EQ(Profile::m_crPalette[0], 0x00FF0000u);
    EXPECT_EQ(Profile::m_crPalette[1], 0x0000FF00u);
    EXPECT_EQ(Profile::m_crPalette[2], 0x00FFFF00u);
    EXPECT_EQ(Profile::m_crPalette[3], 0x000000FFu);
    EXPECT_EQ(Profile::m_crPalette[7], MakeColour(191, 191, 127));
    EXPECT_EQ(Profile::m_crPalette[13], Profile::m_crPalette[14]);
    EXPECT_EQ(Profile::m_crPalette[21], kWhite);
}

TEST(Colours, SmallTailIsWhiteOnlyPastNinetyEightPercentAndBelowHalfAPercent) {
    Profile profile = WithSizes({990, 5, 3, 2});
    profile.AssignEntryColors();
    EXPECT_EQ(profile.m_pEntryColors,
              (std::vector<Colour>{Profile::m_crPalette[0], Profile::m_crPalette[1], kWhite, kWhite}));
}

TEST(Colours, ZeroTotalColoursEveryEntry) {
    Profile profile = WithSizes({0, 0, 0});
    profile.AssignEntryColors();
    EXPECT_EQ(profile.m_pEntryColors[2], Profile::m_crPalette[2]);
}

TEST(Colours, FirstEntryIsNeverWhite) {
    Profile profile = WithSizes({1});
    profile.m_dTreeSize = 1000000000;  // as if other files were counted elsewhere
    profile.AssignEntryColors();
    EXPECT_EQ(profile.m_pEntryColors[0], Profile::m_crPalette[0]);
}

TEST(Colours, CycleOfTwentyOneRestartsAtBlue) {
    Profile profile = WithSizes(std::vector<ByteCount>(23, 10));
    profile.AssignEntryColors();
    EXPECT_EQ(profile.m_pEntryColors[20], Profile::m_crPalette[20]);
    EXPECT_EQ(profile.m_pEntryColors[21], Profile::m_crPalette[0]);
    EXPECT_EQ(profile.m_pEntryColors[22], Profile::m_crPalette[1]);
}

TEST(Reset, ModeOneClearsTheFlagOnlyModeTwoTheEntriesOnly) {
    Profile profile = WithSizes({3, 4});
    profile.AssignEntryColors();
    profile.m_strPath = "C:\\x";
    profile.m_bBelowRoot = true;
    profile.m_dFreeSpace = 7;

    profile.ResetModel(Profile::kResetEntries);
    EXPECT_TRUE(profile.m_listNames.empty());
    EXPECT_TRUE(profile.m_listSizes.empty());
    EXPECT_TRUE(profile.m_pEntryColors.empty());
    EXPECT_EQ(profile.m_dTreeSize, 0);
    EXPECT_EQ(profile.m_strPath, "C:\\x");
    EXPECT_TRUE(profile.m_bBelowRoot);
    EXPECT_EQ(profile.m_dFreeSpace, 7);

    profile.ResetModel(3);
    EXPECT_TRUE(profile.m_bBelowRoot);
    profile.ResetModel(Profile::kResetToRoot);
    EXPECT_FALSE(profile.m_bBelowRoot);
}

}  // namespace
}  // namespace gauzel

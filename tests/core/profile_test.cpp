#include <gtest/gtest.h>

#include "core/profile/profile.h"

namespace gauzel {
namespace {

// Entries named "a", "b", ... (past "z": their index).
Profile WithSizes(const std::vector<ByteCount>& sizes, Profile profile = {}) {
    for (std::size_t i = 0; i < sizes.size(); ++i)
        profile.AddBytes(
            profile.AddEntry(i < 26 ? std::string(1, static_cast<char>('a' + i)) : std::to_string(i)),
            sizes[i]);
    return profile;
}

std::vector<std::string> Names(const Profile& profile) { return profile.m_listNames; }

// Fault: sorting moved the names and sizes but left the loose files' entry, or a problem, at
// the index it had.
TEST(Ordering, EqualSizesKeepTheirOrderAndWhatIsKnownByIndexFollows) {
    Profile profile = WithSizes({5, 9, 5, 9});
    profile.AddProblem(2, {"C:\\c", 13, 0});
    const std::size_t files = profile.AddFilesEntry();
    profile.AddBytes(files, 7);
    profile.AddProblem(files, {"C:", 5, 0});
    profile.SortEntriesBySize();
    EXPECT_EQ(Names(profile), (std::vector<std::string>{"b", "d", ">files", "a", "c"}));
    EXPECT_EQ(profile.EntrySize(4), 5);
    EXPECT_TRUE(profile.IsFilesEntry(2));
    EXPECT_EQ(profile.UnreadBelow(4).directories, 1u);
    EXPECT_FALSE(profile.UnreadBelow(3).Any());
    ASSERT_EQ(profile.m_problems.size(), 2u);
    EXPECT_EQ(profile.m_problems[0].entry, 4u);
    EXPECT_EQ(profile.m_problems[1].entry, 2u);

    // Past 2^64 too: a size must not be cut to 64 bits to be ordered.
    const ByteCount twoTo64 = ByteCount{1} << 64;
    Profile wide = WithSizes({twoTo64 - 1, 7, twoTo64 + 1});
    wide.SortEntriesBySize();
    EXPECT_EQ(Names(wide), (std::vector<std::string>{"c", "a", "b"}));
}

TEST(Ordering, LargeListsAreStableAndDescending) {
    std::vector<ByteCount> sizes;
    for (unsigned i = 0; i < 100000; ++i) sizes.push_back(i % 7);
    Profile profile;
    for (std::size_t i = 0; i < sizes.size(); ++i)
        profile.AddBytes(profile.AddEntry(std::to_string(i)), sizes[i]);
    profile.SortEntriesBySize();
    for (std::size_t i = 1; i < sizes.size(); ++i) {
        ASSERT_EQ(profile.EntrySize(i),
                  sizes[std::stoul(profile.m_listNames[i])]);  // names and sizes stay paired
        ASSERT_GE(profile.EntrySize(i - 1), profile.EntrySize(i));
        if (profile.EntrySize(i - 1) == profile.EntrySize(i)) {  // equal sizes: original order kept
            ASSERT_LT(std::stoul(profile.m_listNames[i - 1]), std::stoul(profile.m_listNames[i]));
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
    profile.AddBytes(profile.AddFilesEntry(), 999999999);  // the tree is large, the first entry small
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
    Profile profile = WithSizes({3, 4}, Profile("C:\\x", true));
    profile.AssignEntryColors();
    profile.SetVolume(7, 9, true);

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

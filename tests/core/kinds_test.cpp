#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/kinds/file_stats.h"
#include "core/kinds/mime_types.h"

namespace gauzel {
namespace {

// A small database with the traps of the real one, in two directories: a user's, then the system's.
const MimeDatabaseText kDatabase{
    {"50:text/x-user:*.mine\n"
     "50:application/x-sharedlib:__NOGLOBS__\n",
     "# comment\n"
     "60:text/x-high:*.b\n"
     "55:video/mp2t:*.ts\n"
     "50:application/x-compressed-tar:*.tar.gz\n"
     "50:application/gzip:*.gz\n"
     "50:text/x-long:*.a.b\n"
     "50:text/x-makefile:makefile\n"
     "50:text/x-makefile:GNUmakefile:cs\n"
     "50:text/x-c++src:*.C:cs\n"
     "50:text/x-c++src:*.C\n"
     "50:text/x-csrc:*.c:cs\n"
     "50:text/x-csrc:*.c\n"
     "50:image/png:*.png\n"
     "50:application/x-trash:*~\n"
     "50:application/x-sharedlib:*.so\n"
     "50:application/x-sharedlib:*.so.[0-9]*\n"
     "50:text/markdown:*.md\n"
     "10:text/x-readme:readme*\n"
     "50:text/x-troff-man:*.[1-9]\n"
     "bad line\n"},
    {"application/x-compressed-tar:package-x-generic\ntext/x-makefile:text-x-generic\n"},
};

// Catches the precedence of the globs (literal names, the case flag, weights, the longest
// extension, other suffixes, other globs), a user's __NOGLOBS__ ignored, and a kind not taken
// from the generic icon or, without one, from the media type.
TEST(Kinds, ANameHasTheTypeItsBestPatternGivesAndTheKindOfItsIcon) {
    const MimeTypes types(kDatabase);
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"a.tar.gz", "application/x-compressed-tar"},
        {"A.TAR.GZ", "application/x-compressed-tar"},
        {"a.gz", "application/gzip"},
        {"x.a.b", "text/x-high"},  // the higher weight wins over the longer pattern
        {"Makefile", "text/x-makefile"},
        {"GNUmakefile", "text/x-makefile"},
        {"gnumakefile", "(none)"},  // a case-sensitive literal
        {"main.C", "text/x-c++src"},
        {"main.c", "text/x-csrc"},
        {"IMAGE.PNG", "image/png"},
        {"notes.txt~", "application/x-trash"},
        {"libz.so.1.x", "(none)"},  // cleared by the user's __NOGLOBS__, with *.so
        {"README.md", "text/markdown"},
        {"README", "text/x-readme"},
        {"ls.1", "text/x-troff-man"},
        {"x.mine", "text/x-user"},
        {".png", "image/png"},
        {"png", "(none)"},
        {"", "(none)"},
    };
    for (const auto& [name, expected] : rows) {
        const std::uint32_t type = types.TypeOf(name);
        EXPECT_EQ(type == MimeTypes::kNoType ? "(none)" : types.Name(type), expected) << name;
    }
    EXPECT_EQ(types.KindOf(types.TypeOf("a.tar.gz")), Kind::kArchives);  // its generic icon
    EXPECT_EQ(types.KindOf(types.TypeOf("a.ts")), Kind::kVideo);         // its media type's
    EXPECT_EQ(types.KindOf(types.TypeOf("Makefile")), Kind::kText);
    EXPECT_EQ(types.KindOf(types.TypeOf("a.gz")), Kind::kOther);  // application-x-generic
    EXPECT_EQ(types.KindOf(MimeTypes::kNoType), Kind::kOther);
    EXPECT_EQ(MimeTypes().TypeOf("a.png"), MimeTypes::kNoType);  // no database
    // A read tallies what it can and keeps the rest for the walk (untyped names by their
    // extension, other names of a file, the largest): the sums are the same either way.
    for (const std::size_t largest : {std::size_t{0}, std::size_t{1}}) {
        FileStats stats(Gathering{std::make_shared<MimeTypes>(kDatabase), 0, largest, {}});
        GatheredFiles read;
        for (const bool linked : {false, true})
            for (const char* name :
                 {"disk.QCOW3", "b.qcow3", ".bashrc", "trailing.", "none", "x.png", "y.PNG"})
                read.Add(name, 1, kUnknownTime, linked, stats.What());
        for (const GatheredFile& file : read.files) stats.Add(file, read.names);
        if (read.tally) stats.Add(*read.tally);
        const std::map<std::string, Tally> byType = stats.Types();
        EXPECT_EQ(byType.size(), 3u);
        EXPECT_EQ(byType.at("*.qcow3").files, 4u);
        EXPECT_EQ(byType.at("(no extension)").files, 6u);
        EXPECT_EQ(byType.at("image/png").files, 4u);
        EXPECT_EQ(stats.Kinds()[static_cast<std::size_t>(Kind::kImages)].files, 4u);
        EXPECT_EQ(stats.Ages()[static_cast<std::size_t>(AgeBand::kUnknown)].files, 14u);
        EXPECT_EQ(stats.Largest().size(), largest);
    }
}

// Catches a "*" that crosses a "/" where it must not, brackets misread, and backtracking lost.
TEST(Kinds, GlobsMatchAsTheShellDoes) {
    const std::vector<std::tuple<std::string, std::string, bool, bool>> rows = {
        {"*.o", "a.o", false, true},
        {"*.o", "a.c", false, false},
        {"build/*.o", "build/x/a.o", true, false},
        {"build/*.o", "build/a.o", true, true},
        {"*", "a/b", false, true},
        {"*", "a/b", true, false},
        {"a*b*c", "aXbYbZc", false, true},
        {"[a-c]x", "bx", false, true},
        {"[!a-c]x", "bx", false, false},
        {"[]]", "]", false, true},
        {"[ab", "[ab", false, true},
        {"\\*", "*", false, true},
        {"?", "", false, false},
        {"**", "", false, true},
    };
    for (const auto& [pattern, text, slashes, matches] : rows)
        EXPECT_EQ(GlobMatches(pattern, text, slashes), matches) << pattern << " " << text;
}

// Catches a band edge on the wrong side (exactly 24 hours is still under a day), the future
// counted as new, and an unknown time given an age.
TEST(Kinds, AFilesAgeIsTheFirstBandItFits) {
    constexpr std::int64_t start = 1'800'000'000;
    constexpr std::int64_t day = 24 * 60 * 60;
    const std::vector<std::pair<std::int64_t, AgeBand>> rows = {
        {start, AgeBand::kUnderADay},
        {start - day, AgeBand::kUnderADay},
        {start - day - 1, AgeBand::kUnderAWeek},
        {start - 30 * day, AgeBand::kUnderAMonth},
        {start - 365 * day, AgeBand::kUnderAYear},
        {start - 365 * day - 1, AgeBand::kOneToTwoYears},
        {start - 5 * 365 * day, AgeBand::kTwoToFiveYears},
        {start - 5 * 365 * day - 1, AgeBand::kOverFiveYears},
        {0, AgeBand::kOverFiveYears},
        {start + 1, AgeBand::kInTheFuture},
        {kUnknownTime, AgeBand::kUnknown},
    };
    for (const auto& [mtime, band] : rows) EXPECT_EQ(AgeBandOf(mtime, start), band) << mtime;
}

// Catches a list of the largest that grows past N, drops a larger file for a smaller one, or
// orders equal sizes by the order they came in (which differs from run to run on threads).
TEST(Kinds, TheLargestFilesAreTheNLargestWithTiesByPath) {
    FileStats stats(Gathering{nullptr, 0, 3, {}});
    const std::string names = "abcde";
    const std::string d = "C:\\d", e = "C:\\e";
    for (const auto& [name, size] :
         std::vector<std::pair<std::uint32_t, std::uint64_t>>{{4, 5}, {1, 7}, {3, 7}, {0, 7}, {2, 9}}) {
        stats.Enter(d);
        stats.Add({size, kUnknownTime, MimeTypes::kNoType, name, 1, GatheredFile::kNoExtension, false, false},
                  names);
        stats.Enter(e);
        for (std::uint64_t i = 0; i < 40; ++i)  // smaller ones: enough to drop candidates as it goes
            stats.Add(
                {i % 5, kUnknownTime, MimeTypes::kNoType, name, 1, GatheredFile::kNoExtension, false, false},
                names);
    }
    const std::string d2 = "C:\\d2";  // "C:\d2\a" comes before "C:\d\a": the byte 2 is below the backslash.
    stats.Enter(d2);
    stats.Add({7, kUnknownTime, MimeTypes::kNoType, 0, 1, GatheredFile::kNoExtension, false, false}, names);
    std::vector<std::pair<std::string, std::uint64_t>> largest;
    for (const LargeFile& file : stats.Largest()) largest.emplace_back(file.path, file.size);
    EXPECT_EQ(largest, (std::vector<std::pair<std::string, std::uint64_t>>{
                           {"C:\\d\\c", 9}, {"C:\\d2\\a", 7}, {"C:\\d\\a", 7}}));
    EXPECT_EQ(stats.Ages()[static_cast<std::size_t>(AgeBand::kUnknown)].files, 206u);
}

}  // namespace
}  // namespace gauzel

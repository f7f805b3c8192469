#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <dirent.h>
#include <fstream>
#include <iterator>

#include "platform/linux/ini_settings.h"
#include "tests/support/temp_tree.h"

namespace gauzel {
namespace {

using testing::AsOrdinaryUser;
using testing::ScopedEnv;
using testing::TempTree;

std::string ReadAll(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

void WriteAll(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

TEST(SettingsRead, MissingFileOrKeyGivesTheDefault) {
    TempTree tree;
    const IniSettings settings(tree.PathOf("none.ini"));
    EXPECT_EQ(settings.GetProfileInt("Option", "Num", 0), 0);
    EXPECT_EQ(settings.GetProfileString("Search", "Name", "^"), "^");
    EXPECT_TRUE(settings.ReadSection("Drives").empty());
}

TEST(SettingsRead, NamesIgnoreCaseAndIntegersReadLikeAtoi) {
    TempTree tree;
    WriteAll(tree.PathOf("g.ini"),
             "; a comment\n[OPTION]\nnum = 2\n[Search]\nLimit=12abc\nName=tmp dir\n"
             "[Numbers]\nneg= -3\nplus=+7\njunk=abc\nhuge=99999999999\nempty=\nhex=0x10\n"
             "[Drives]\nT=/home/me/photos\nu=/srv\n");
    const IniSettings settings(tree.PathOf("g.ini"));
    EXPECT_EQ(settings.GetProfileInt("Option", "Num", 0), 2);
    EXPECT_EQ(settings.GetProfileInt("search", "LIMIT", 0), 12);
    EXPECT_EQ(settings.GetProfileString("Search", "Name", "^"), "tmp dir");
    EXPECT_EQ(settings.GetProfileInt("Numbers", "neg", 5), -3);
    EXPECT_EQ(settings.GetProfileInt("Numbers", "plus", 5), 7);
    EXPECT_EQ(settings.GetProfileInt("Numbers", "junk", 5), 0);
    EXPECT_EQ(settings.GetProfileInt("Numbers", "huge", 5), 2147483647);
    EXPECT_EQ(settings.GetProfileInt("Numbers", "empty", 5), 0);
    EXPECT_EQ(settings.GetProfileInt("Numbers", "hex", 5), 0);
    EXPECT_EQ(settings.ReadSection("drives"),
              (std::vector<std::pair<std::string, std::string>>{{"T", "/home/me/photos"}, {"u", "/srv"}}));
}

// Fault: every lookup read the file again, so one rescan could mix two versions of a file being
// replaced (Allocated from one, LinksOnce from the other).
TEST(SettingsRead, LookupsReadOneVersionAndAHandEditCountsAtTheNextReload) {
    TempTree tree;
    WriteAll(tree.PathOf("g.ini"), "[Option]\nAllocated=1\nLinksOnce=0\n");
    IniSettings settings(tree.PathOf("g.ini"));
    EXPECT_EQ(settings.GetProfileInt("Option", "Allocated", 0), 1);
    WriteAll(tree.PathOf("g.ini"), "[Option]\nAllocated=0\nLinksOnce=1\n");
    EXPECT_EQ(settings.GetProfileInt("Option", "LinksOnce", 0), 0);
    settings.Reload();
    EXPECT_EQ(settings.GetProfileInt("Option", "Allocated", 1), 0);
    EXPECT_EQ(settings.GetProfileInt("Option", "LinksOnce", 0), 1);
}

// Fault: the README's own example kept its comments in the values ("/home/me/photos  ; a drive
// of your own" was no directory), and the writer would have dropped a line's comment.
TEST(SettingsRead, TheReadmeExampleReadsAsTheReadmeSays) {
    std::ifstream readme(GAUZEL_SOURCE_DIR "/README.md");
    const std::string text{std::istreambuf_iterator<char>(readme), {}};
    const std::size_t begin = text.find("```ini\n");
    ASSERT_NE(begin, std::string::npos);
    const std::string example = text.substr(begin + 7, text.find("```", begin + 7) - begin - 7);
    for (const char* key : {"Num", "Threads", "Allocated", "LinksOnce"})
        EXPECT_EQ(IniValue(example, "Option", key), "0");
    EXPECT_EQ(IniSection(example, "Search"),
              (std::vector<std::pair<std::string, std::string>>{{"Limit", "0"}, {"Name", "^"}}));
    EXPECT_EQ(IniSection(example, "Drives"),
              (std::vector<std::pair<std::string, std::string>>{{"T", "/home/me/photos"}}));
    EXPECT_NE(WithIniValue(example, "Option", "Num", "2").find("Num=2            ; units:"),
              std::string::npos);
}

TEST(SettingsWrite, ReplacesOneLineAndKeepsEveryOtherByteForByte) {
    const std::string text =
        "; Gauzel\n[Search]\nName = a,b\\c  ; kept as typed\n\n[Option]\n# units\nNum = 0\nOther=1\n";
    EXPECT_EQ(WithIniValue(text, "option", "NUM", "2"),
              "; Gauzel\n[Search]\nName = a,b\\c  ; kept as typed\n\n[Option]\n# units\nNum = 2\nOther=1\n");
    EXPECT_EQ(WithIniValue(text, "Search", "Name", "x;y#z"),
              "; Gauzel\n[Search]\nName = x;y#z  ; kept as typed\n\n[Option]\n# units\nNum = 0\nOther=1\n");
    EXPECT_EQ(WithIniValue("[Search]\nName= ; none yet\n", "Search", "Name", "a"),
              "[Search]\nName=a ; none yet\n");
    EXPECT_EQ(WithIniValue("[Search]\nName = b\n", "Search", "Name", ";a"), "[Search]\nName =;a\n");
    for (const char* unwritable : {"a ;b", "a\t#b", " a", "a\n", "b "})
        EXPECT_FALSE(WritableIniValue(unwritable));
}

TEST(SettingsWrite, AddsTheKeyOrTheSectionWhereMissing) {
    EXPECT_EQ(WithIniValue("", "Option", "Num", "1"), "[Option]\nNum=1\n");
    EXPECT_EQ(WithIniValue("[Search]\nLimit=1\n", "Option", "Num", "1"),
              "[Search]\nLimit=1\n\n[Option]\nNum=1\n");
    EXPECT_EQ(WithIniValue("[Option]\nA=1\n\n[Search]\nLimit=1", "Option", "Num", "2"),
              "[Option]\nA=1\nNum=2\n\n[Search]\nLimit=1");
    EXPECT_EQ(WithIniValue("[Option]\r\nA=1\r\n", "Option", "Num", "2"), "[Option]\r\nA=1\r\nNum=2\r\n");
    EXPECT_EQ(WithIniValue("[Option]\r\nNum=1\r\n", "Option", "Num", "2"), "[Option]\r\nNum=2\r\n");
    EXPECT_EQ(WithIniValue("[Option]\nNum=1", "Option", "Num", "-1"), "[Option]\nNum=-1");
    EXPECT_EQ(WithIniValue("[Option]\nNum=1\n[Option]\nNum=3\n", "Option", "Num", "2"),
              "[Option]\nNum=2\n[Option]\nNum=2\n");
    EXPECT_EQ(WithIniValue("[Option]\n;Num=1\n", "Option", "Num", "2"), "[Option]\n;Num=1\nNum=2\n");
}

TEST(SettingsWrite, GoesThroughAnAtomicRenameAndReadsBack) {
    TempTree tree;
    const std::string path = tree.PathOf("gauzel.ini");
    WriteAll(path, "; mine\n[Search]\nLimit=0\n");
    chmod(path.c_str(), 0600);
    struct stat before {};
    stat(path.c_str(), &before);

    IniSettings settings(path);
    settings.WriteProfileInt("Option", "Num", 2);
    EXPECT_EQ(settings.GetProfileInt("Option", "Num", 0), 2);
    EXPECT_EQ(ReadAll(path), "; mine\n[Search]\nLimit=0\n\n[Option]\nNum=2\n");

    struct stat after {};
    stat(path.c_str(), &after);
    EXPECT_NE(after.st_ino, before.st_ino);  // a new file took the old one's name
    EXPECT_EQ(after.st_mode & 0777, 0600u);
    DIR* dir = opendir(tree.Root().c_str());
    int files = 0;
    while (dirent* entry = readdir(dir)) files += entry->d_name[0] != '.';
    closedir(dir);
    EXPECT_EQ(files, 1);  // no temporary file left behind
}

TEST(SettingsWrite, ALinkStaysALinkAndAFailedWriteChangesNothing) {
    TempTree tree;
    tree.Dir("real");
    WriteAll(tree.PathOf("real/g.ini"), "[Option]\nNum=0\n");
    tree.Symlink(tree.PathOf("real/g.ini"), "link.ini");
    IniSettings(tree.PathOf("link.ini")).WriteProfileInt("Option", "Num", 1);
    struct stat info {};
    lstat(tree.PathOf("link.ini").c_str(), &info);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(ReadAll(tree.PathOf("real/g.ini")), "[Option]\nNum=1\n");

    IniSettings nowhere("/proc/self/gauzel-test/g.ini");
    nowhere.WriteProfileInt("Option", "Num", 1);  // cannot be written: silently nothing
    EXPECT_EQ(nowhere.GetProfileInt("Option", "Num", 9), 9);
}

TEST(SettingsPath, FollowsXdgConfigHomeThenHome) {
    {
        ScopedEnv config("XDG_CONFIG_HOME", "/x/config");
        EXPECT_EQ(DefaultSettingsPath("gauzel"), "/x/config/gauzel.ini");
    }
    ScopedEnv config("XDG_CONFIG_HOME", "relative/ignored");
    ScopedEnv home("HOME", "/home/me");
    EXPECT_EQ(DefaultSettingsPath("gauzel"), "/home/me/.config/gauzel.ini");
}

// Faults: a directory or /proc/self/mem in its place aborted the program, a FIFO hung it and
// /dev/zero exhausted its memory; none of them may be replaced by a write either.
TEST(SettingsRead, OnlyARegularFileIsReadAnythingElseReadsAsEmptyAndSaysWhy) {
    TempTree tree;
    tree.Dir("dir.ini");
    ASSERT_EQ(mkfifo(tree.PathOf("fifo.ini").c_str(), 0644), 0);
    tree.Symlink("/dev/zero", "zero.ini");
    tree.Symlink("/proc/self/mem", "mem.ini");
    WriteAll(tree.PathOf("big.ini"), "[Option]\nNum=2\n" + std::string(kMaxSettingsBytes, ';'));
    const std::vector<std::pair<std::string, std::string>> cases = {{"dir.ini", "Is a directory"},
                                                                    {"fifo.ini", "not a regular file"},
                                                                    {"zero.ini", "not a regular file"},
                                                                    {"mem.ini", "Input/output error"},
                                                                    {"big.ini", "larger than 1 MiB"}};
    for (const auto& [name, reason] : cases) {
        IniSettings settings(tree.PathOf(name));
        EXPECT_EQ(settings.GetProfileInt("Option", "Num", 7), 7) << name;
        EXPECT_EQ(settings.Problem(), reason) << name;
        EXPECT_NE(settings.WriteProfileInt("Option", "Num", 1), 0) << name;
    }
    struct stat info {};
    EXPECT_TRUE(stat(tree.PathOf("dir.ini").c_str(), &info) == 0 && S_ISDIR(info.st_mode));
    EXPECT_EQ(IniSettings(tree.PathOf("missing.ini")).Problem(), "");
}

// Fault: the writer and the reader disagreed on lines and sections (found by fuzzing: lone CR
// line ends, a "[" line without "]", NUL bytes), so a written value was never read back.
TEST(SettingsWrite, WhatIsWrittenReadsBackAndEveryOtherKeyAsBefore) {
    using namespace std::string_literals;
    for (const std::string& text :
         {"[Option]\rNum=1\rOther=3\r"s, "[Option\nNum=1\n[Search]\nLimit=1"s,
          "[Search]\nName=a\0b\n[Option]\nNum=5"s, "\xEF\xBB\xBF[option]\r\nnum=9"s, "Num=4\n[Option]\r"s,
          "[Option]x\n = 3\nNum\n\tnum\t=\t8 \n[]\nNum=6\n"s, "[Option]\n\r\n[Search]\r"s, "\n"s}) {
        std::map<std::pair<std::string, std::string>, std::string> expected = IniValues(text);
        expected[{"option", "num"}] = "2";
        EXPECT_EQ(IniValues(WithIniValue(text, "Option", "Num", "2")), expected) << text;
    }
}

// Fault: a file the user made read-only, or a link pointing nowhere, was replaced anyway.
TEST(SettingsWrite, AReadOnlyFileOrADanglingLinkIsNotReplaced) {
    TempTree tree;
    tree.Dir("open");
    chmod(tree.PathOf("open").c_str(), 0777);  // anyone may create files beside it
    const std::string path = tree.PathOf("open/gauzel.ini");
    WriteAll(path, "[Option]\nNum=0\n");
    chmod(path.c_str(), 0444);
    struct stat before {};
    stat(path.c_str(), &before);
    EXPECT_EQ(AsOrdinaryUser([&] { return IniSettings(path).WriteProfileInt("Option", "Num", 1); }), EACCES);
    struct stat after {};
    stat(path.c_str(), &after);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(ReadAll(path), "[Option]\nNum=0\n");

    tree.Symlink("nowhere/gauzel.ini", "open/dangling.ini");
    EXPECT_EQ(IniSettings(tree.PathOf("open/dangling.ini")).WriteProfileInt("Option", "Num", 1), ENOENT);
    lstat(tree.PathOf("open/dangling.ini").c_str(), &after);
    EXPECT_TRUE(S_ISLNK(after.st_mode));
}

}  // namespace
}  // namespace gauzel

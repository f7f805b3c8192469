#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "tests/support/temp_tree.h"
#include "tools/report.h"

namespace gauzel {
namespace {

using testing::ScopedEnv;
using testing::TempTree;

// A generated tree made drive T by the settings file, which lives in its own temporary directory.
struct ReportRun {
    TempTree tree;
    TempTree config;
    ScopedEnv env{"XDG_CONFIG_HOME", config.Root()};
    std::string settingsText;
    std::string out;
    std::string err;

    ReportRun(const std::string& extraSettings = "") {
        settingsText = "[Drives]\nT=" + tree.Root() + "\n" + extraSettings;
        std::ofstream(config.PathOf("gauzel.ini")) << settingsText;
        tree.Dir("big/inner");
        tree.File("big/inner/a", 3000000);
        tree.File("big/b", 500000);
        tree.Dir("small");
        tree.File("small/c", 150000);
        tree.File("loose", 250000);
    }
    int Run(std::vector<std::string> args) {
        std::ostringstream o, e;
        const int status = RunReport(args, o, e);
        out = o.str();
        err = e.str();
        return status;
    }
    std::vector<std::string> OutLines() const {
        std::vector<std::string> lines;
        std::istringstream in(out);
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
};

TEST(Report, PrintsTheSummaryThenOneLinePerEntryInLegendOrder) {
    ReportRun run;
    ASSERT_EQ(run.Run({run.tree.Root()}), 0) << run.err;
    const std::vector<std::string> lines = run.OutLines();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], "Size of tree: 3,900,000 bytes");
    EXPECT_TRUE(lines[1].starts_with("T: has ")) << lines[1];
    EXPECT_TRUE(lines[1].ends_with("%)")) << lines[1];
    EXPECT_EQ(lines[2], "Path: T:\\");
    EXPECT_EQ(lines[3], "0000FF  3,500,000  big");
    EXPECT_EQ(lines[4], "00FF00  250,000  >files");
    EXPECT_EQ(lines[5], "00FFFF  150,000  small");
    EXPECT_TRUE(run.err.empty());
}

TEST(Report, UnitsComeFromTheOptionOrElseFromTheSettings) {
    ReportRun run("[Option]\nNum=2\n");
    ASSERT_EQ(run.Run({"--units", "kilobytes", run.tree.PathOf("big")}), 0);
    EXPECT_EQ(run.OutLines()[0], "Size of tree: 3,500K bytes");
    EXPECT_EQ(run.OutLines()[2], "Path: T:\\big");
    EXPECT_EQ(run.OutLines()[3], "0000FF  3,000K  inner");
    ASSERT_EQ(run.Run({run.tree.PathOf("big")}), 0);
    EXPECT_EQ(run.OutLines()[0], "Size of tree: 4M bytes");
    ASSERT_EQ(run.Run({"--units=bytes", run.tree.PathOf("big")}), 0);
    EXPECT_EQ(run.OutLines()[0], "Size of tree: 3,500,000 bytes");
}

TEST(Report, JsonHasPlainByteCountsAndValidUtf8) {
    ReportRun run;
    run.tree.Dir("caf\xe9");
    run.tree.File("caf\xe9/x", 7);
    ASSERT_EQ(run.Run({"--json", run.tree.Root()}), 0);
    EXPECT_TRUE(run.out.starts_with("{\"path\": \"T:\", \"treeSize\": 3900007, \"freeSpace\": ")) << run.out;
    EXPECT_NE(run.out.find("\"entries\": [{\"name\": \"big\", \"size\": 3500000, \"color\": \"#0000FF\", "
                           "\"isFiles\": false}, {\"name\": \">files\", \"size\": 250000, \"color\": \"#00FF00\", "
                           "\"isFiles\": true}"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("{\"name\": \"caf\xEF\xBF\xBD\", \"size\": 7"), std::string::npos) << run.out;
}

TEST(Report, ProgressGoesToStandardErrorInScanOrder) {
    ReportRun run;
    ASSERT_EQ(run.Run({"--progress", run.tree.Root()}), 0);
    // The top level in listing order, each tree depth first; the filesystem decides the listing order.
    const std::string big = "T:\\big\nT:\\big\\inner\n";
    const std::string small = "T:\\small\n";
    EXPECT_TRUE(run.err == "starting...\n" + big + small || run.err == "starting...\n" + small + big) << run.err;
}

TEST(Report, BadDirectoriesAndBadUsage) {
    ReportRun run;
    EXPECT_EQ(run.Run({run.tree.PathOf("missing")}), 1);
    EXPECT_EQ(run.err, "gauzel-report: " + run.tree.PathOf("missing") + ": No such file or directory\n");
    EXPECT_TRUE(run.out.empty());
    EXPECT_EQ(run.Run({run.tree.PathOf("loose")}), 1);
    EXPECT_NE(run.err.find("Not a directory"), std::string::npos);

    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"--units"}, {"--units", "gigabytes"}, {"--frobnicate"}, {"a", "b"}}) {
        EXPECT_EQ(run.Run(bad), 2);
        EXPECT_TRUE(run.err.starts_with("usage: gauzel-report")) << run.err;
    }
    EXPECT_EQ(run.Run({"--", run.tree.Root()}), 0);
}

TEST(Report, NeverWritesTheSettingsFile) {
    ReportRun run;
    const std::string path = run.config.PathOf("gauzel.ini");
    struct stat before{};
    stat(path.c_str(), &before);
    ASSERT_EQ(run.Run({run.tree.Root()}), 0);
    struct stat after{};
    stat(path.c_str(), &after);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
}

TEST(Json, StringsAreEscapedAndInvalidBytesReplaced) {
    EXPECT_EQ(JsonString("plain"), "\"plain\"");
    EXPECT_EQ(JsonString("a\"b\\c\n\x01"), "\"a\\\"b\\\\c\\u000a\\u0001\"");
    EXPECT_EQ(JsonString("caf\xc3\xa9 \xf0\x9f\x93\x81"), "\"caf\xc3\xa9 \xf0\x9f\x93\x81\"");
    EXPECT_EQ(JsonString("\xff"), "\"\xEF\xBF\xBD\"");
    EXPECT_EQ(JsonString("\xc0\xaf"), "\"\xEF\xBF\xBD\xEF\xBF\xBD\"");      // overlong "/"
    EXPECT_EQ(JsonString("\xed\xa0\x80"), "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\"");  // a surrogate
    EXPECT_EQ(JsonString("\xe2\x82"), "\"\xEF\xBF\xBD\xEF\xBF\xBD\"");      // cut short
}

TEST(Json, ColoursAreRedGreenBlue) {
    EXPECT_EQ(HexColour(0x00FF0000), "0000FF");
    EXPECT_EQ(HexColour(0x000080FF), "FF8000");
}

}  // namespace
}  // namespace gauzel

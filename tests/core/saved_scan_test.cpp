#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>

#include "core/display/format_size.h"
#include "core/display/summary.h"
#include "core/saved/comparison.h"
#include "core/saved/export_reader.h"
#include "core/saved/saved_scan.h"
#include "core/saved/scan_export.h"
#include "core/scan/scan_engine.h"
#include "core/scan/tuning.h"
#include "tests/support/fake_file_system.h"
#include "tests/support/recording_sink.h"

namespace gauzel {
namespace {

using testing::FakeFileSystem;
using testing::FakeRecord;
using testing::MemorySettings;
using testing::RecordingSink;

// What a window or a report shows of a profile.
struct Shown {
    std::vector<std::string> names;
    std::vector<ByteCount> sizes;
    std::vector<unsigned> colours;
    ByteCount tree = 0;
    std::uint64_t unreadDirectories = 0;
    std::uint64_t unsized = 0;
    bool operator==(const Shown&) const = default;
};
void PrintTo(const Shown& shown, std::ostream* out) {
    for (std::size_t i = 0; i < shown.names.size(); ++i)
        *out << shown.names[i] << '=' << Decimal(shown.sizes[i]) << ' ';
    *out << "tree " << Decimal(shown.tree) << " unread " << shown.unreadDirectories << '/' << shown.unsized;
}

Shown Rescan(FileSystem& fs, const std::string& path, Counting counting, ScanRecorder* recorder = nullptr) {
    MemorySettings settings;
    RecordingSink sink;
    Profile profile(path, path.size() > 2);
    ScanEngine engine(fs.Snapshot(), {}, settings, sink);
    engine.SetCounting(counting);
    engine.SetRecorder(recorder);
    engine.Rescan(profile);
    Shown shown{profile.m_listNames,          {},
                profile.m_pEntryColors,       profile.m_dTreeSize,
                profile.m_unread.directories, profile.m_unread.entries};
    for (std::size_t i = 0; i < profile.EntryCount(); ++i) shown.sizes.push_back(profile.EntrySize(i));
    return shown;
}

// Catches an entry, a name's byte, a link, a size or what could not be read lost or changed on
// the way out or back in.
TEST(SavedScan, AnExportReadBackProfilesAsTheDiskDidAtEveryLevelAndCounting) {
    FakeFileSystem fs;
    fs.AddFile("C:", "loose", 7);
    fs.AddRecord("C:", {"linked", kAttributeNormal, 50, 0, 4096, 9, 2});
    fs.AddFile("C:\\docs", "q\"uote \\x", 11);  // a real name holding "\" is listed with "/"
    fs.AddFile("C:\\docs", "tab\there\x01", 13);
    fs.AddRecord("C:\\docs", {"\xff\xfe not UTF-8", kAttributeNormal, 17, 0, 8192});
    fs.AddRecord("C:\\docs", {"linked too", kAttributeNormal, 50, 0, 4096, 9, 2});
    fs.AddRecord("C:\\docs", {"unsized", kAttributeNormal, 99, EACCES});
    fs.AddRecord("C:\\docs", {"link", kAttributeReparsePoint, 19, 0, 0, 0, 1});
    fs.AddRecord("C:\\docs", {"mnt", kAttributeDirectory | kAttributeReparsePoint});
    fs.AddFile("C:\\docs\\a/b\\deep", "x", 23);
    fs.AddDirectory("C:\\docs\\refused");
    fs.Refuse("C:\\docs\\refused");
    fs.AddFile("C:\\broken", "y", 29);
    fs.listingErrors["C:\\broken"] = EIO;
    fs.AddDirectory("C:\\empty");
    std::string everyByte;  // each byte a name may hold (a logical "/" is a real "\\")
    for (int byte = 1; byte < 256; ++byte)
        if (byte != '\\') everyByte += static_cast<char>(byte);
    fs.AddFile("C:\\docs\\" + everyByte, "e", 31);
    // More entries than a rescan keeps, in the profiled directory and below it (with a subdirectory
    // among them): written as a second listing hands them out.
    for (std::size_t i = 0; i <= kKeptEntries; ++i) {
        fs.AddFile("C:", "many " + std::to_string(i), i);
        fs.AddFile("C:\\docs\\many", std::to_string(i), 1);
    }
    fs.AddFile("C:\\docs\\many\\sub", "z", 37);
    for (const Counting& counting :
         {Counting{}, Counting{true, false, {}, {}}, Counting{false, true, {}, {}}}) {
        SCOPED_TRACE(::testing::Message()
                     << "allocated " << counting.allocated << ", links once " << counting.linksOnce);
        std::ostringstream out;
        ScanExport exporter(out, {"/home/me", {}, counting, "gauzel-report", "9", 1700000000, {}});
        const Shown live = Rescan(fs, "C:", counting, &exporter);
        ASSERT_TRUE(exporter.Finish());
        // Every control character and DEL escaped, as ncdu writes and reads them.
        const std::string text = out.str();
        EXPECT_FALSE(std::any_of(text.begin(), text.end(),
                                 [](char c) { return (c >= 0 && c < 0x20 && c != '\n') || c == 0x7F; }));
        std::string error;
        std::shared_ptr<SavedScan> scan = ReadExportText(out.str(), error);
        ASSERT_TRUE(scan) << error << "\n" << out.str();
        SavedScanFileSystem saved(scan, 'Z');
        EXPECT_EQ(Rescan(saved, "Z:", counting), live) << out.str();
        EXPECT_EQ(Rescan(saved, "Z:\\docs", counting), Rescan(fs, "C:\\docs", counting));
        EXPECT_EQ(Rescan(saved, "Z:\\docs\\a/b", counting), Rescan(fs, "C:\\docs\\a/b", counting));
        EXPECT_EQ(saved.ScannedPathOf("Z:\\docs\\a/b"), "/home/me/docs/a\\b");
        EXPECT_EQ(saved.LogicalPathOf("/home/me/docs/a\\b/"), "Z:\\docs\\a/b");
        EXPECT_EQ(saved.LogicalPathOf("/home/meat"), std::nullopt);
        EXPECT_TRUE(scan->Volume().known);
    }
}

// Catches a wrong match (a renamed directory counted as grown, the loose files with a directory),
// a sign error, a gone entry missing or out of order, and units ignored in the change.
TEST(SavedScan, AComparisonMatchesEntriesByNameAndTellsWhatIsGone) {
    std::string error;
    std::shared_ptr<SavedScan> scan = ReadExportText(
        R"([1,2,{"progname":"ncdu"},[{"name":"/srv"},{"name":"loose","asize":10},)"
        R"([{"name":"grows"},{"name":"f","asize":1000}],[{"name":"shrinks"},{"name":"f","asize":700}],)"
        R"([{"name":"old name"},{"name":"f","asize":50}],[{"name":"goes"},{"name":"f","asize":5000}]]])",
        error);
    ASSERT_TRUE(scan) << error;
    SavedScanFileSystem saved(scan, 'Z');
    FakeFileSystem fs;
    fs.AddFile("C:", "loose", 10);
    fs.AddFile("C:\\grows", "f", 2000);
    fs.AddFile("C:\\shrinks", "f", 500);
    fs.AddFile("C:\\new name", "f", 50);
    fs.AddFile("C:\\comes", "f", 3);
    MemorySettings settings;
    RecordingSink sink;
    Profile now("C:", false);
    ScanEngine(fs.Snapshot(), {}, settings, sink).Rescan(now);
    const Comparison comparison = Compare(now, ProfileOfSaved(saved, "Z:", settings, {}), std::nullopt);
    std::map<std::string, std::pair<std::string, std::string>> changes;  // bytes, kilobytes
    for (std::size_t i = 0; i < now.EntryCount(); ++i)
        changes[now.m_listNames[i]] = {ChangeText(now, comparison, i, Units::Bytes),
                                       ChangeText(now, comparison, i, Units::Kilobytes)};
    EXPECT_EQ(changes,
              (std::map<std::string, std::pair<std::string, std::string>>{{">files", {"0", "0K"}},
                                                                          {"comes", {"new", "new"}},
                                                                          {"grows", {"+1,000", "+1K"}},
                                                                          {"new name", {"new", "new"}},
                                                                          {"shrinks", {"-200", "-0K"}}}));
    ASSERT_EQ(comparison.gone.size(), 2u);
    EXPECT_EQ(comparison.before.m_listNames[comparison.gone[0]], "goes");
    EXPECT_EQ(GoneChangeText(comparison, 0, Units::Kilobytes), "-5K");
    EXPECT_EQ(comparison.before.m_listNames[comparison.gone[1]], "old name");
    EXPECT_EQ(TreeChangeText(now, comparison, Units::Bytes), " (-4,197 since the saved scan)");
    EXPECT_EQ(SignedDecimal(now.m_dTreeSize, comparison.before.m_dTreeSize), "-4197");
    EXPECT_EQ(TreeChangeText(now, Compare(now, ProfileOfSaved(saved, "Z:\\nowhere", settings, {}), 0),
                             Units::Bytes),
              " (not in the saved scan)");
}

// Catches a foreign export misread: ncdu writes an inode only for files of several names, gdu
// none at all, neither our volume; an unread directory, another filesystem and special files.
TEST(SavedScan, ExportsOfOtherToolsCountAsTheDiskWould) {
    const std::string text =
        "[1,2,{\"progname\":\"ncdu\",\"progver\":\"1.18\",\"timestamp\":1700000000,\"extra\":[{\"x\":[1,2."
        "5e3,null]}]},\n"
        "[{\"name\":\"/srv\",\"asize\":4096,\"dsize\":4096,\"dev\":64768},\n"
        "{\"name\":\"a\",\"asize\":10,\"dsize\":4096,\"ino\":5,\"hlnkc\":true,\"nlink\":2},\n"
        "[{\"name\":\"d\",\"asize\":4096,\"dsize\":4096},{\"name\":\"b\",\"asize\":10,\"dsize\":4096,\"ino\":"
        "5,\"hlnkc\":true},\n"
        "{\"name\":\"\xff\",\"asize\":3,\"dsize\":4096},{\"name\":\"l\",\"asize\":7,\"notreg\":true},{"
        "\"name\":\"c\",\"asize\":1}],\n"
        "[{\"name\":\"locked\",\"read_error\":true}],\n"
        "{\"name\":\"mnt\",\"excluded\":\"othfs\"},{\"name\":\"gone\",\"read_error\":true}]]";
    std::string error;
    std::shared_ptr<SavedScan> scan = ReadExportText(text, error);
    ASSERT_TRUE(scan) << error;
    EXPECT_EQ(scan->RootPath(), "/srv");
    SavedScanFileSystem saved(scan, 'Z');
    const Shown apparent = Rescan(saved, "Z:", {});
    EXPECT_EQ(apparent.names, (std::vector<std::string>{"d", ">files", "locked"}));  // "mnt" is a loose file
    EXPECT_EQ(apparent.sizes, (std::vector<ByteCount>{21, 10, 0}));
    EXPECT_EQ(apparent.unreadDirectories, 1u);
    EXPECT_EQ(apparent.unsized, 1u);
    EXPECT_EQ(Rescan(saved, "Z:", {true, false, {}, {}}).sizes, (std::vector<ByteCount>{8192, 4096, 0}));
    EXPECT_EQ(Rescan(saved, "Z:", {false, true, {}, {}}).tree, 21u);  // a and b are one file
    Profile profile("Z:", false);
    const VolumeSpace volume = saved.QueryVolume("Z:");
    profile.SetVolume(volume.freeBytes, volume.totalBytes, volume.known);
    EXPECT_EQ(MakeSummaryLines(profile, Units::Bytes).freeSpace, "Z: free space was not saved");
    EXPECT_EQ(saved.OpenDirectory("Z:\\mnt").error, ENOTDIR);
    EXPECT_EQ(saved.OpenDirectory("Z:\\nothing").error, ENOENT);
}

// Catches a bad file taken (or half taken), a crash, or a message that does not say what is wrong.
TEST(SavedScan, AFileThatIsNoExportIsRefusedSayingWhatIsWrong) {
    const std::string head = "[1,2,{},[{\"name\":\"/\"},";
    std::string deep = "[1,0,{},";
    for (int i = 0; i <= 10000; ++i) deep += "[{\"name\":\"d\"},";
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"", "the file is empty"},
        {"\x89PNG", "not JSON (at byte 0)"},
        {"{\"a\":1}", "a JSON object, not an export"},
        {"[1,2,{}]", "a JSON array that holds no tree, not an export (at byte 7)"},
        {"[2,0,{},[{\"name\":\"/\"}]]", "format version 2; only version 1 is read"},
        {"[\"1\",0,{},[{\"name\":\"/\"}]]", "it does not begin with a format version"},
        {head + "{\"name\":\"f\",\"asize\":1}", "the file ends before the tree does"},
        {head + "[{\"name\":\"d\"},{\"name\":\"f\",\"asi", "the file ends before the tree does"},
        {head + "[]]]", "a directory array without its object (at byte 23)"},
        {head + "[1]]]", "a directory array without its object"},
        {head + "{\"name\":7}]]", "a name that is not a string"},
        {head + "{\"asize\":7}]]", "an entry without a name"},
        {head + "{\"name\":\"f\",\"asize\":-1}]]", "asize -1 is not a whole number from 0 to 2^64 - 1"},
        {head + "{\"name\":\"f\",\"dsize\":1.5}]]", "dsize 1.5 is not a whole number"},
        {head + "{\"name\":\"f\",\"asize\":18446744073709551616}]]", "asize 18446744073709551616 is not"},
        {head + "{\"name\":\"f\",\"ino\":\"7\"}]]", "ino is not a number"},
        {head + "{\"name\":\"..\"}]]", "a name that no file can have"},
        {head + "{\"name\":\"a/b\"}]]", "a name that no file can have"},
        {head + "{\"name\":\"f\",\"hlnkc\":1}]]", "hlnkc is not true or false"},
        {head + "\"f\"]]", "an entry that is neither an object nor a directory"},
        {head + "{\"name\":\"f\",\"x\":[[[}]]", "not JSON"},
        {head + "{\"name\":\"f\"}]] x", "more follows the end of the export"},
        {head + "{\"name\":\"a\x01\"}]]", "a control character in a string"},
        {deep, "the file ends before the tree does"},
        {head + "{\"name\":\"" + std::string(5000, 'n') + "\"}]]",
         "a string longer than 4,096 bytes (at byte " + std::to_string(head.size() + 8) + ")"},
        {head + "{\"name\":\"f\",\"asize\":" + std::string(100000, '9') + "}]]",
         "asize " + std::string(40, '9') + "\u2026 is not a whole number"},
    };
    for (const auto& [text, says] : rows) {
        std::string error;
        EXPECT_EQ(ReadExportText(text, error), nullptr) << text.substr(0, 80);
        EXPECT_TRUE(error.starts_with("is not a saved scan: ")) << error;
        EXPECT_NE(error.find(says), std::string::npos) << text.substr(0, 80) << "\nsays: " << error;
        EXPECT_LT(error.size(), 200u);
    }
    // Any depth is read, a tree's and a value's, and a value the format does not use is not kept.
    std::string deeper =
        "[1,0,{\"x\":" + std::string(30000, '[') + std::string(30000, ']') + "},[{\"name\":\"/\"}";
    for (int i = 0; i < 30000; ++i) deeper += ",[{\"name\":\"d\"}";
    deeper += std::string(30001, ']') + "]";
    std::string error;
    const std::unique_ptr<SavedScan> scan = ReadExportText(deeper, error);
    ASSERT_TRUE(scan) << error;
    EXPECT_EQ(scan->EntryCount(), 30001u);
    EXPECT_TRUE(
        ReadExportText(head + "{\"name\":\"f\",\"x\":\"" + std::string(100000, 'x') + "\"}]]", error));
}

}  // namespace
}  // namespace gauzel

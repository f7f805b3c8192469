#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <condition_variable>
#include <map>
#include <mutex>
#include <random>
#include <system_error>
#include <thread>

#include "core/scan/scan_engine.h"
#include "tests/support/fake_file_system.h"
#include "tests/support/recording_sink.h"
#include "tests/support/temp_tree.h"

namespace gauzel {
namespace {

using testing::FakeFileSystem;
using testing::MemorySettings;
using testing::RecordingSink;

struct Scan {
    FakeFileSystem fs;
    MemorySettings settings;
    RecordingSink sink;
    Profile profile;
    ReaderPool pool;

    void Rescan(const std::string& path = "C:") {
        profile = Profile(path, path.size() > 2);
        ScanEngine(fs.Snapshot(), pool, settings, sink).Rescan(profile);
    }
    std::vector<std::pair<std::string, ByteCount>> Entries() const {
        std::vector<std::pair<std::string, ByteCount>> entries;
        for (std::size_t i = 0; i < profile.EntryCount(); ++i)
            entries.emplace_back(profile.m_listNames[i], profile.EntrySize(i));
        return entries;
    }
};

using Entries = std::vector<std::pair<std::string, ByteCount>>;

TEST(Rescan, SumsEachSubdirectoryAndTheLooseFilesThenSortsAndColours) {
    Scan scan;
    scan.fs.AddFile("C:\\a", "x", 10);
    scan.fs.AddFile("C:\\b", "y", 30);
    scan.fs.AddFile("C:", "f1", 15);
    scan.fs.AddFile("C:", "f2", 5);
    scan.Rescan();
    EXPECT_EQ(scan.Entries(), (Entries{{"b", 30}, {">files", 20}, {"a", 10}}));
    EXPECT_EQ(
        scan.profile.m_pEntryColors,
        (std::vector<Colour>{Profile::m_crPalette[0], Profile::m_crPalette[1], Profile::m_crPalette[2]}));
    EXPECT_EQ(scan.profile.m_dTreeSize, 60);
    EXPECT_TRUE(scan.profile.IsFilesEntry(1));
    EXPECT_FALSE(scan.profile.IsFilesEntry(0));
}

TEST(Rescan, LooseFilesComeLastAmongEqualSizes) {
    Scan scan;
    scan.fs.AddFile("C:\\a", "x", 10);
    scan.fs.AddFile("C:", "f", 10);
    scan.fs.AddFile("C:\\b", "y", 10);
    scan.Rescan();
    EXPECT_EQ(scan.Entries(), (Entries{{"a", 10}, {"b", 10}, {">files", 10}}));
}

TEST(Rescan, ProgressShowsStartingThenEveryDirectoryAndEndsWithBeepAndClose) {
    Scan scan;
    scan.fs.AddDirectory("C:\\top\\a\\a1");
    scan.fs.AddDirectory("C:\\top\\b");
    scan.fs.AddDirectory("C:\\top\\c\\c1");
    scan.fs.AddDirectory("C:\\top\\c\\c2");
    scan.fs.AddDirectory("C:\\second");
    scan.Rescan();
    EXPECT_EQ(scan.sink.events,
              (std::vector<std::string>{"<opened>", "starting...", "C:\\top", "C:\\top\\c", "C:\\top\\c\\c2",
                                        "C:\\top\\c\\c1", "C:\\top\\b", "C:\\top\\a", "C:\\top\\a\\a1",
                                        "C:\\second", "<beep>", "<closed>"}));
}

TEST(Rescan, EmptyOrUnreadableDirectoryGivesTheLooseFilesEntryAlone) {
    Scan empty;
    empty.fs.AddDirectory("C:");
    empty.Rescan();
    EXPECT_EQ(empty.Entries(), (Entries{{">files", 0}}));
    EXPECT_EQ(empty.sink.events, (std::vector<std::string>{"<opened>", "starting...", "<beep>", "<closed>"}));
    EXPECT_EQ(empty.profile.m_pEntryColors, std::vector<Colour>{Profile::m_crPalette[0]});

    Scan refused;
    refused.fs.AddFile("D:\\sub", "x", 5);
    refused.fs.Refuse("D:");
    refused.Rescan("D:");
    EXPECT_EQ(refused.Entries(), (Entries{{">files", 0}}));
    EXPECT_EQ(refused.profile.m_dTreeSize, 0);
}

TEST(Rescan, AnUnreadableSubdirectoryIsReportedAndAddsNothing) {
    Scan scan;
    scan.fs.AddFile("C:\\a\\locked", "x", 100);
    scan.fs.AddFile("C:\\a", "y", 1);
    scan.fs.Refuse("C:\\a\\locked");
    scan.Rescan();
    EXPECT_EQ(scan.Entries(), (Entries{{"a", 1}, {">files", 0}}));
    EXPECT_EQ(scan.sink.events[3], "C:\\a\\locked");
}

TEST(Rescan, RunningTwiceGivesTheSameProfile) {
    Scan scan;
    scan.fs.AddFile("C:\\a", "x", 10);
    scan.fs.AddFile("C:", "f", 3);
    scan.Rescan();
    const Entries first = scan.Entries();
    scan.Rescan();
    EXPECT_EQ(scan.Entries(), first);
    EXPECT_EQ(scan.profile.m_dTreeSize, 13);
    EXPECT_EQ(scan.profile.m_pEntryColors.size(), 2u);
}

TEST(Rescan, ReadsEveryDirectoryOnce) {
    Scan scan;
    scan.fs.AddFile("C:\\a\\b", "x", 1);
    scan.fs.AddFile("C:\\a", "y", 1);
    scan.fs.AddFile("C:", "z", 1);
    scan.Rescan();
    for (const auto& [path, count] : scan.fs.listings) EXPECT_EQ(count, 1) << path;
    EXPECT_EQ(scan.fs.listings.size(), 3u);
}

TEST(Rescan, VolumeFiguresComeFromTheDrive) {
    Scan scan;
    scan.fs.AddDirectory("C:\\dir\\sub");
    scan.fs.volume = {1234567, 10000000};
    scan.Rescan("C:\\dir\\sub");
    EXPECT_EQ(scan.profile.m_dFreeSpace, 1234567);
    EXPECT_EQ(scan.profile.m_dDiskSize, 10000000);
    EXPECT_EQ(scan.fs.volumeQueries, std::vector<std::string>{"C:\\dir\\sub"});

    scan.fs.volume = {};
    scan.Rescan();
    EXPECT_EQ(scan.profile.m_dFreeSpace, 0);
    EXPECT_EQ(scan.profile.m_dDiskSize, 0);
}

TEST(Classification, DirectoriesWithExtraAttributeBitsAreWalked) {
    Scan scan;
    for (std::uint32_t attributes : {17u, 18u, 20u, 48u}) {
        const std::string name = "d" + std::to_string(attributes);
        scan.fs.AddRecord("C:\\top", {name, attributes, 4096});  // a directory's own size never counts
        scan.fs.AddFile("C:\\top\\" + name, "inside", attributes);
    }
    scan.Rescan();
    EXPECT_EQ(scan.Entries(), (Entries{{"top", 17 + 18 + 20 + 48}, {">files", 0}}));
}

TEST(Classification, DotDirectoriesAreSummedAndListedButDotAndDotDotNever) {
    Scan scan;
    scan.fs.AddFile("C:\\.cache", "blob", 7);
    scan.fs.AddFile("C:\\src\\.git", "pack", 11);
    scan.fs.AddRecord("C:", {".", 17, 999});
    scan.fs.AddRecord("C:", {"..", kAttributeNormal, 999});
    scan.fs.AddRecord("C:\\src", {".", kAttributeDirectory, 0});
    scan.Rescan();
    EXPECT_EQ(scan.Entries(), (Entries{{"src", 11}, {".cache", 7}, {">files", 0}}));
}

TEST(Classification, LinksAndMountPointsCountAsFilesAndAreNeverEntered) {
    Scan scan;
    scan.fs.AddRecord("C:", {"link", kAttributeReparsePoint, 12});  // a symbolic link: its target text
    scan.fs.AddRecord("C:", {"mnt", kAttributeDirectory | kAttributeReparsePoint, 0});
    scan.fs.AddFile("C:\\mnt", "elsewhere", 1000);  // would be counted if the mount were entered
    scan.Rescan();
    EXPECT_EQ(scan.Entries(), (Entries{{">files", 12}}));
    EXPECT_EQ(scan.fs.listings.count("C:\\mnt"), 0u);
}

// Fault: sizes were doubles, exact only below 2^53, and their sums could pass 2^64.
TEST(Classification, HugeFilesUseTheHighWordAndSumExactly) {
    Scan scan;
    const std::uint64_t largest = (1ull << 63) - 1;
    for (const char* name : {"a", "b", "c"}) scan.fs.AddFile("C:", name, largest);
    scan.fs.AddFile("C:\\d", "odd", (1ull << 53) + 1);
    scan.Rescan();
    const ByteCount files = ByteCount{largest} * 3;
    EXPECT_EQ(scan.Entries(), (Entries{{">files", files}, {"d", (1ull << 53) + 1}}));
    EXPECT_EQ(scan.profile.m_dTreeSize, files + (1ull << 53) + 1);
}

TEST(Classification, ADirectoryNamedLikeTheLooseFilesEntryIsAnOrdinaryEntry) {
    Scan scan;
    scan.fs.AddFile("C:\\>files", "x", 50);
    scan.fs.AddFile("C:", "y", 5);
    scan.Rescan();
    EXPECT_EQ(scan.Entries(), (Entries{{">files", 50}, {">files", 5}}));
    EXPECT_FALSE(scan.profile.IsFilesEntry(0));
    EXPECT_TRUE(scan.profile.IsFilesEntry(1));
}

TEST(Filter, LimitKeepsOnlyNamesContainingTheTextCaseSensitively) {
    Scan scan;
    scan.fs.AddFile("C:\\tmp", "a", 1);
    scan.fs.AddFile("C:\\mytmpdir", "b", 2);
    scan.fs.AddFile("C:\\TMP", "c", 4);
    scan.fs.AddFile("C:\\other", "d", 8);
    scan.fs.AddFile("C:", "e", 16);
    scan.settings.Write("Search", "Limit", "1");
    scan.settings.Write("search", "NAME", "tmp");
    scan.Rescan();
    EXPECT_EQ(scan.Entries(), (Entries{{">files", 16}, {"mytmpdir", 2}, {"tmp", 1}}));
    EXPECT_EQ(scan.profile.m_dTreeSize, 19);
    EXPECT_EQ(scan.fs.listings.count("C:\\other"), 0u);  // left out: not even read
}

// Catches a left-out directory that is still read, a pattern on names tried on paths (or one on
// paths on names), a left-out entry counted or told as a problem, and how many were left out lost.
TEST(Filter, LeftOutEntriesAreNeitherReadNorCountedOnlyTold) {
    Scan scan;
    scan.fs.AddFile("C:\\src\\node_modules\\m", "x", 100);
    scan.fs.AddFile("C:\\src", "main.o", 10);
    scan.fs.AddFile("C:\\src", "main.c", 1);
    scan.fs.AddFile("C:\\build\\out", "a.o", 1000);
    scan.fs.AddFile("C:\\build", "keep", 2);
    scan.fs.AddFile("C:\\node_modules", "y", 5);
    scan.fs.Refuse("C:\\src\\node_modules");  // read, it would be a problem
    scan.settings.Write("Scan", "Exclude", "node_modules|*.o|build/out");
    scan.Rescan();
    EXPECT_EQ(scan.Entries(), (Entries{{"build", 2}, {"src", 1}, {">files", 0}}));
    EXPECT_EQ(scan.profile.m_leftOut, 4u);  // two node_modules, main.o, build/out
    EXPECT_FALSE(scan.profile.IsIncomplete());
    EXPECT_EQ(scan.fs.listings.count("C:\\build\\out"), 0u);
    EXPECT_EQ(scan.profile.m_treeCounts.files, 2u);
    scan.Rescan("C:\\node_modules");  // profiled, a left-out directory is the patterns' root
    EXPECT_EQ(scan.profile.m_dTreeSize, 5);
    // The largest files kept, from the same section: what is out of range is the default.
    for (const auto& [stored, kept] : std::vector<std::pair<std::string, std::size_t>>{
             {"", 100}, {"7", 7}, {"100000", 100000}, {"100001", 100}, {"0", 100}, {"-3", 100}}) {
        scan.settings.Write("Scan", "Largest", stored);
        EXPECT_EQ(LargestOfSettings(scan.settings), kept) << stored;
    }
}

TEST(Filter, AppliesToTheTopLevelOnlyAndNotWhenLimitIsZero) {
    Scan scan;
    scan.fs.AddFile("C:\\tmp\\deep", "a", 1);
    scan.fs.AddFile("C:\\x", "b", 2);
    scan.settings.Write("Search", "Name", "tmp");
    scan.Rescan();
    EXPECT_EQ(scan.profile.EntryCount(), 3u);  // Limit 0: Name has no effect

    scan.settings.Write("Search", "Limit", "1");
    scan.Rescan();
    EXPECT_EQ(scan.Entries(), (Entries{{"tmp", 1}, {">files", 0}}));

    scan.settings.Write("Search", "Name", "");  // an empty text is in every name
    scan.Rescan();
    EXPECT_EQ(scan.profile.EntryCount(), 3u);

    scan.settings.Write("Search", "Name", "^");      // the default matches no ordinary name
    scan.settings.Write("Search", "Limit", "junk");  // reads as 0
    scan.Rescan();
    EXPECT_EQ(scan.profile.EntryCount(), 3u);
}

TEST(Walk, ADeepChainNeitherOverflowsNorHoldsADescriptorPerLevel) {
    for (const char* threads : {"1", "8"}) {
        Scan scan;
        scan.settings.Write("Option", "Threads", threads);
        std::string path = "C:\\deep";
        for (int i = 0; i < 5000; ++i) path += "\\d";
        scan.fs.AddFile(path, "bottom", 42);
        scan.Rescan();
        EXPECT_EQ(scan.Entries(), (Entries{{"deep", 42}, {">files", 0}}));
        // The walk's own, plus those read ahead (and being read) by the threads.
        EXPECT_LE(scan.fs.openMost, 3 + static_cast<int>(kWaitingReadAheadWindow) + 8);
        EXPECT_EQ(scan.sink.events.size(), 5001u + 4u);
        EXPECT_EQ(scan.sink.events[scan.sink.events.size() - 3], path);
    }
}

// A tree of random shape (the same for a seed): fan-outs from 0 to 6, files, directories that
// cannot be opened, listings cut short, entries that cannot be sized, and a 2,000-level chain.
void AddRandomTree(FakeFileSystem& fs, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<std::string> directories{"C:"};
    for (int i = 0; i < 3000; ++i) {
        // Mostly below one of the last ones made, so that the tree gets deep as well as wide.
        const std::size_t span = std::min<std::size_t>(directories.size(), random() % 2 ? 8 : 2000);
        const std::string parent = directories[directories.size() - 1 - random() % span];
        const std::string path = parent + "\\d" + std::to_string(i);
        fs.AddDirectory(path);
        directories.push_back(path);
        for (auto f = random() % 4; f > 0; --f) fs.AddFile(path, "f" + std::to_string(f), random() % 100000);
        const auto fault = random() % 100;
        if (fault < 3) fs.Refuse(path);
        if (fault == 3) fs.listingErrors[path] = EIO;
        if (fault == 4) fs.AddRecord(path, {"ghost", kAttributeNormal, 9, ESTALE});
    }
    std::string chain = directories[1];
    for (int i = 0; i < 2000; ++i) chain += "\\c";
    fs.AddFile(chain, "bottom", 7);
    // Wide too: more entries than the walk queues at once.
    for (int i = 0; i < 700; ++i) fs.AddFile("C:\\top" + std::to_string(i), "t", random() % 1000);
}

// Fault: reading ahead on other threads changes a sum, the order of the progress, or reads a
// directory twice.
TEST(Walk, ReadingAheadOnAnyNumberOfThreadsChangesNothing) {
    for (unsigned seed : {1u, 2u, 3u}) {
        Scan alone;
        AddRandomTree(alone.fs, seed);
        alone.settings.Write("Option", "Threads", "1");
        alone.Rescan();
        std::vector<std::string> wide;  // the entries' trees in listing order
        for (const std::string& event : alone.sink.events)
            if (event.starts_with("C:\\top")) wide.push_back(event.substr(3));
        ASSERT_EQ(wide.size(), 700u);
        for (std::size_t i = 0; i < wide.size(); ++i) ASSERT_EQ(wide[i], "top" + std::to_string(i));
        // Sizes that wait: each entry sized on a reader of its own, its size to the right entry.
        struct Row {
            const char* threads;
            bool mayStop;
            bool sizesWait;
        };
        for (const auto& [threads, mayStop, sizesWait] :
             {Row{"2", false, false}, Row{"8", false, false}, Row{"64", false, false}, Row{"1", true, false},
              Row{"8", true, false}, Row{"64", false, true}, Row{"8", true, true}, Row{"1", true, true}}) {
            Scan ahead;
            AddRandomTree(ahead.fs, seed);
            ahead.settings.Write("Option", "Threads", threads);
            ahead.sink.mayStop = mayStop;  // the calling thread reads too, or never
            ahead.fs.sizesWait = sizesWait;
            ahead.Rescan();
            EXPECT_EQ(ahead.Entries(), alone.Entries()) << seed << " " << threads;
            EXPECT_EQ(ahead.profile.m_pEntryColors, alone.profile.m_pEntryColors);
            EXPECT_EQ(ahead.profile.m_dTreeSize, alone.profile.m_dTreeSize);
            EXPECT_EQ(ahead.sink.events, alone.sink.events);
            EXPECT_EQ(ahead.sink.problems, alone.sink.problems);
            EXPECT_EQ(ahead.fs.listings, alone.fs.listings);
            for (const auto& [path, count] : ahead.fs.listings) ASSERT_EQ(count, 1) << path;
        }
        // Fault: a reader thread that could not be started ended the program. Here none can
        // start (a user at the process limit): the walk reads alone, to the same result.
        const int refused = testing::AsOrdinaryUser([&] {
            const rlimit onlyThisProcess{1, 1};
            if (setrlimit(RLIMIT_NPROC, &onlyThisProcess) != 0) return 98;
            try {
                std::thread([] {}).join();
                return 97;  // the limit does not bite: nothing would be tested
            } catch (const std::system_error&) {
            }
            Scan starved;
            AddRandomTree(starved.fs, seed);
            starved.settings.Write("Option", "Threads", "8");
            starved.Rescan();
            return starved.Entries() == alone.Entries() && starved.sink.events == alone.sink.events ? 0 : 1;
        });
        EXPECT_EQ(refused, 0) << seed;
    }
}

// Fault: on a share whose every read waits, the walk kept to one reader a core (thirty times
// slower than it can be); or, on a warm disk, readers beyond the cores took turns on them.
TEST(Walk, ReadersBeyondOneACoreReadOnlyWhileReadsWait) {
    for (const int waitMicros : {0, 5000}) {
        Scan scan;
        for (int i = 0; i < 40; ++i)
            for (int j = 0; j < 10; ++j)
                scan.fs.AddFile("C:\\d" + std::to_string(i) + "\\e" + std::to_string(j), "f", 1);
        scan.fs.listingsWait = waitMicros != 0;
        if (waitMicros == 0) scan.fs.medium = Medium::kLocalDisk;  // a warm one
        if (waitMicros != 0)
            scan.fs.onList = [&](const std::string&) {
                std::this_thread::sleep_for(std::chrono::microseconds(waitMicros));
            };
        scan.Rescan();
        EXPECT_EQ(scan.profile.m_dTreeSize, 400);
        // The readers the walk started (the pool keeps them for a while), however the reads met.
        if (waitMicros != 0) {
            EXPECT_GT(scan.pool.Threads(), 16u);  // sixteen was the most, whatever the wait
        } else {
            EXPECT_LE(scan.pool.Threads(), static_cast<std::size_t>(Cores()));
        }
    }
}

// Faults: a stopped walk waited for a read that never returns, or freed what the reader was
// still filling when the read came back at last.
TEST(Walk, AStopLeavesAReadThatNeverReturnsBehindAndUsesNothingOfIt) {
    // The profiled directory's listing; one of the walk; the size of an entry of one, on a share
    // whose sizes wait (the progress names the directory).
    for (const auto& [hung, shown] :
         {std::pair{"C:", "starting..."}, {"C:\\d3\\e1", "C:\\d3\\e1"}, {"C:\\d3\\e1\\f", "C:\\d3\\e1"}}) {
        Scan scan;
        scan.fs.sizesWait = std::string(hung) != shown;
        for (int i = 0; i < 8; ++i)
            for (int j = 0; j < 4; ++j)
                scan.fs.AddFile("C:\\d" + std::to_string(i) + "\\e" + std::to_string(j), "f", 1);
        std::mutex mutex;
        std::condition_variable released;
        bool open = false;
        bool waiting = false;
        scan.fs.onList = [&](const std::string& path) {
            if (path != hung) return;
            std::unique_lock lock(mutex);
            waiting = true;
            released.wait(lock, [&] { return open; });
        };
        if (scan.fs.sizesWait) scan.fs.onSize = scan.fs.onList;
        scan.sink.mayStop = true;
        // Esc once the read hangs and the progress names the directory the walk waits for (or
        // after two seconds, when it names another).
        std::optional<std::chrono::steady_clock::time_point> since;
        scan.sink.keepGoing = [&] {
            const std::lock_guard lock(mutex);
            if (waiting && !since) since = std::chrono::steady_clock::now();
            return !waiting || (scan.sink.events.back() != shown &&
                                std::chrono::steady_clock::now() - *since < std::chrono::seconds(2));
        };
        scan.profile = Profile("C:", false);
        EXPECT_TRUE(
            ScanEngine(scan.fs.Snapshot(), scan.pool, scan.settings, scan.sink).Rescan(scan.profile).stopped)
            << hung;
        EXPECT_EQ(scan.sink.events.back(), "<closed>");
        EXPECT_EQ(scan.sink.events.end()[-2], shown) << hung;
        EXPECT_EQ(std::count(scan.sink.events.begin(), scan.sink.events.end(), "<beep>"), 0);
        {
            const std::lock_guard lock(mutex);
            open = true;
        }
        released.notify_all();
        // The reader finishes on its own and closes what it opened.
        scan.pool.WaitIdle();
        EXPECT_EQ(scan.fs.OpenCount(), 0);
    }
}

// A chain `depth` levels deep below C:\deep; every level holds a 1-byte file and two leaves with
// a 2-byte file each: 5 bytes a level, and three subdirectories pending at every level.
void AddBranchingChain(FakeFileSystem& fs, int depth) {
    std::string path = "C:\\deep";
    for (int i = 0; i < depth; ++i) {
        fs.AddFile(path + "\\left", "l", 2);
        fs.AddFile(path, "f", 1);
        fs.AddDirectory(path + "\\next");
        fs.AddFile(path + "\\right", "r", 2);
        path += "\\next";
    }
}

TEST(Walk, RunningOutOfDescriptorsLosesNothingAndReadsEachDirectoryOnce) {
    Scan unlimited;
    AddBranchingChain(unlimited.fs, 300);
    unlimited.Rescan();
    ASSERT_EQ(unlimited.Entries(), (Entries{{"deep", 1500}, {">files", 0}}));

    Scan limited;
    AddBranchingChain(limited.fs, 300);
    limited.fs.descriptorLimit = 32;
    limited.Rescan();
    EXPECT_EQ(limited.Entries(), unlimited.Entries());
    EXPECT_EQ(limited.sink.events, unlimited.sink.events);
    EXPECT_TRUE(limited.sink.problems.empty());
    EXPECT_LE(limited.fs.openMost, 32);
    for (const auto& [path, count] : limited.fs.listings) ASSERT_EQ(count, 1) << path;
    EXPECT_EQ(limited.fs.listings.size(), unlimited.fs.listings.size());
}

TEST(Walk, WhatCannotBeReadIsReportedAsAProblemAndLeftOut) {
    Scan scan;
    scan.fs.AddFile("C:\\a\\locked", "x", 100);
    scan.fs.Refuse("C:\\a\\locked");
    scan.fs.AddFile("C:\\a\\broken", "y", 10);
    scan.fs.listingErrors["C:\\a\\broken"] = EIO;
    scan.fs.AddRecord("C:\\a", {"ghost", kAttributeNormal, 50, ESTALE});
    scan.fs.AddRecord("C:\\a", {"ghost2", kAttributeNormal, 50, EIO});
    scan.fs.AddFile("C:\\a", "z", 1);
    scan.Rescan();
    EXPECT_EQ(scan.Entries(), (Entries{{"a", 11}, {">files", 0}}));
    EXPECT_EQ(scan.sink.problems,
              (std::vector<ScanProblem>{
                  {"C:\\a", ESTALE, 2}, {"C:\\a\\broken", EIO, 0}, {"C:\\a\\locked", EACCES, 0}}));
}

// Faults: a file of several names counts at every name, at a name other than the first one the
// walk meets, or at another one when threads read ahead; the allocated size is not the one asked.
TEST(Counting, DiskUsageAndAFileOfSeveralNamesOnce) {
    const testing::FakeRecord linked{"l", kAttributeNormal, 100, 0, 4096, 7, 3};  // 100 bytes in one block
    for (const char* threads : {"1", "8"}) {
        const auto sizes = [&](const char* allocated, const char* linksOnce) {
            Scan scan;
            scan.fs.AddRecord("C:\\a\\deep", linked);
            scan.fs.AddRecord("C:\\b", linked);
            scan.fs.AddRecord("C:", linked);
            scan.fs.AddRecord("C:\\b", {"one", kAttributeNormal, 10, 0, 8192, 8, 1});
            scan.settings.Write("Option", "Threads", threads);
            scan.settings.Write("Option", "Allocated", allocated);
            scan.settings.Write("Option", "LinksOnce", linksOnce);
            scan.Rescan();
            std::map<std::string, ByteCount> byName;
            for (const auto& [name, size] : scan.Entries()) byName[name] = size;
            return byName;
        };
        using Sizes = std::map<std::string, ByteCount>;
        EXPECT_EQ(sizes("0", "0"), (Sizes{{"a", 100}, {"b", 110}, {">files", 100}})) << threads;
        EXPECT_EQ(sizes("2", "yes"), (Sizes{{"a", 100}, {"b", 110}, {">files", 100}})) << threads;
        EXPECT_EQ(sizes("0", "1"), (Sizes{{"a", 100}, {"b", 10}, {">files", 0}})) << threads;
        EXPECT_EQ(sizes("1", "1"), (Sizes{{"a", 4096}, {"b", 8192}, {">files", 0}})) << threads;
        EXPECT_EQ(sizes("1", "0"), (Sizes{{"a", 4096}, {"b", 4096 + 8192}, {">files", 4096}})) << threads;
    }
}

}  // namespace
}  // namespace gauzel

#include "tools/report.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <ostream>

#include "core/commands/navigation.h"
#include "core/display/escape.h"
#include "core/display/format_size.h"
#include "core/display/summary.h"
#include "core/kinds/file_stats.h"
#include "core/kinds/rows.h"
#include "core/saved/chunked_output.h"
#include "core/saved/export_reader.h"
#include "core/saved/json_writer.h"
#include "core/saved/saved_drives.h"
#include "core/saved/saved_scan.h"
#include "core/saved/scan_export.h"
#include "core/scan/exclusions.h"
#include "core/scan/scan_engine.h"
#include "platform/linux/compressed_file.h"
#include "platform/linux/ini_settings.h"
#include "platform/linux/linux_file_system.h"
#include "platform/linux/mime_database.h"
#include "platform/linux/mounts.h"

namespace gauzel {

namespace {

constexpr const char* kUsage =
    "usage: gauzel-report [--units bytes|kilobytes|megabytes] [--allocated] [--links-once] [--threads N] "
    "[--json]\n"
    "                     [--progress] [DIRECTORY]\n"
    "       gauzel-report --export FILE [--allocated] [--links-once] [--threads N] [--progress] [DIRECTORY]\n"
    "       gauzel-report --import FILE [--units ...] [--allocated] [--links-once] [--json] [PATH]\n"
    "       gauzel-report --compare OLD [--import NEW] [--units ...] [--allocated] [--links-once] [--threads "
    "N]\n"
    "                     [--json] [DIRECTORY]\n"
    "       with any but --export: [--by folder|kind|type|age] [--largest N] [--count]\n"
    "       with any: [--exclude PATTERN]... [--exclude-from FILE]... [--exclude-caches]\n";

// What the rows are: the profiled directory's entries, or the whole tree's kinds, types or ages.
struct Options {
    std::optional<Units> units;
    std::optional<int> threads;
    std::string threadsText;  // as given, for a refusal
    bool allocated = false;
    bool linksOnce = false;
    bool json = false;
    bool progress = false;
    bool count = false;                // numbers of files where sizes were
    std::vector<std::string> exclude;  // --exclude, and the lines of --exclude-from
    std::vector<std::string> excludeFrom;
    bool excludeCaches = false;
    std::optional<std::string> directory;  // with --import, a path on the scanned machine
    std::optional<std::string> exportFile;
    std::optional<std::string> importFile;
    std::optional<std::string> compareFile;
    RowsBy by = RowsBy::kFolder;
    std::size_t largest = 0;  // the largest files listed after the rows: none
    bool Gathers() const { return by != RowsBy::kFolder || largest != 0; }
};

std::optional<Units> ParseUnits(std::string_view name) {
    if (name == "bytes") return Units::Bytes;
    if (name == "kilobytes") return Units::Kilobytes;
    if (name == "megabytes") return Units::Megabytes;
    return std::nullopt;
}

// Digits only; a count too large saturates, and is refused later like any out of range.
std::optional<int> ParseCount(std::string_view text) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos) return std::nullopt;
    return ParseProfileInt(text);
}

// Bad usage: nothing, with `problem` saying why when a value is wrong (else the usage tells).
std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& problem) {
    Options options;
    bool onlyOperands = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        // The value of "--name VALUE" or "--name=VALUE"; nothing when `arg` is not that option
        // (or its value is missing, which `bad` then tells).
        bool bad = false;
        auto valueOf = [&](std::string_view name) -> std::optional<std::string> {
            if (onlyOperands || !arg.starts_with(name)) return std::nullopt;
            if (arg.size() == name.size()) {
                if (i + 1 < args.size()) return args[++i];
                bad = true;
                return std::nullopt;
            }
            if (arg[name.size()] != '=') return std::nullopt;
            return arg.substr(name.size() + 1);
        };
        if (!onlyOperands && arg == "--") {
            onlyOperands = true;
        } else if (!onlyOperands && arg == "--json") {
            options.json = true;
        } else if (!onlyOperands && arg == "--progress") {
            options.progress = true;
        } else if (!onlyOperands && arg == "--count") {
            options.count = true;
        } else if (!onlyOperands && arg == "--exclude-caches") {
            options.excludeCaches = true;
        } else if (const std::optional<std::string> from = valueOf("--exclude-from")) {
            options.excludeFrom.push_back(*from);
        } else if (const std::optional<std::string> pattern = valueOf("--exclude")) {
            options.exclude.push_back(*pattern);
        } else if (!onlyOperands && arg == "--allocated") {
            options.allocated = true;
        } else if (!onlyOperands && arg == "--links-once") {
            options.linksOnce = true;
        } else if (const std::optional<std::string> units = valueOf("--units")) {
            options.units = ParseUnits(*units);
            if (!options.units) return std::nullopt;
        } else if (const std::optional<std::string> threads = valueOf("--threads")) {
            options.threads = ParseCount(*threads);
            options.threadsText = *threads;
            if (!options.threads) return std::nullopt;
        } else if (const std::optional<std::string> by = valueOf("--by")) {
            const std::optional<RowsBy> parsed = RowsByOf(*by);
            if (!parsed) problem = "--by " + EscapeControls(*by) + ": it is folder, kind, type or age";
            if (!parsed) return std::nullopt;
            options.by = *parsed;
        } else if (const std::optional<std::string> largest = valueOf("--largest")) {
            const std::optional<int> count = ParseCount(*largest);
            if (!count || *count < 1 || static_cast<std::size_t>(*count) > kMaxLargest) {
                problem = "--largest " + EscapeControls(*largest) + ": it is a number from 1 to 100000";
                return std::nullopt;
            }
            options.largest = static_cast<std::size_t>(*count);
        } else if (const std::optional<std::string> file = valueOf("--export")) {
            options.exportFile = *file;
        } else if (const std::optional<std::string> saved = valueOf("--import")) {
            options.importFile = *saved;
        } else if (const std::optional<std::string> old = valueOf("--compare")) {
            options.compareFile = *old;
        } else if (bad || (!onlyOperands && arg.size() > 1 && arg.starts_with('-'))) {
            return std::nullopt;
        } else if (options.directory) {
            return std::nullopt;  // one directory at most
        } else {
            options.directory = arg;
        }
    }
    if (options.exportFile && (options.importFile || options.compareFile || options.json || options.units ||
                               options.Gathers() || options.count))
        return std::nullopt;
    return options;
}

// At most this many problems are named one by one; the rest are counted.
constexpr std::size_t kNamedProblems = 20;

// Prints the progress if asked, and keeps what could not be read for the end of the report.
class ProgressPrinter final : public ProgressSink {
public:
    explicit ProgressPrinter(std::ostream* err) : m_err(err) {}
    void Status(const std::string& text) override {
        if (m_err != nullptr) *m_err << EscapeControls(text) << '\n';
    }
    void Problem(const ScanProblem& problem) override {
        if (named.size() == kNamedProblems) return;  // the profile counts them all
        const std::string path = "'" + EscapeControls(problem.path) + "': " + ErrorText(problem.error);
        if (problem.unsizedEntries == 0)
            named.push_back("cannot read " + path);
        else
            named.push_back("cannot size " + Counted(problem.unsizedEntries, "entry", "entries") + " in " +
                            path);
    }

    std::vector<std::string> named;  // the first kNamedProblems, as lines

private:
    std::ostream* m_err;  // null: progress is not shown
};

}  // namespace

void PrintText(const Profile& profile, Units units, std::ostream& out, const Comparison* comparison,
               const std::string& treeLine, const std::string& freeSpaceLine,
               const std::string& afterSummary) {
    const SummaryLines lines = MakeSummaryLines(profile, units);
    std::string text = treeLine.empty() ? lines.tree : treeLine;
    if (comparison != nullptr) text += TreeChangeText(profile, *comparison, units);
    text += '\n' + (freeSpaceLine.empty() ? lines.freeSpace : freeSpaceLine) + '\n' + lines.path + '\n';
    text += afterSummary;
    out << text;
    PrintRows(profile, units, out, comparison);
}

void PrintRows(const Profile& profile, Units units, std::ostream& out, const Comparison* comparison) {
    ChunkedOutput chunks(out);
    std::string& text = chunks.text();
    for (std::size_t i = 0; i < profile.EntryCount(); ++i) {
        text += HexColour(profile.m_pEntryColors[i]);
        text += "  ";
        text += EntrySizeText(profile, i, units);
        text += "  ";
        if (comparison != nullptr) text += ChangeText(profile, *comparison, i, units) + "  ";
        AppendEntryName(text, profile, i);
        text += '\n';
        chunks.Done();
    }
    if (comparison == nullptr) return;
    for (std::size_t i = 0; i < comparison->gone.size(); ++i) {
        text += "gone  " + FormatSize(0, units) + "  " + GoneChangeText(*comparison, i, units) + "  ";
        AppendEntryName(text, comparison->before, comparison->gone[i]);
        text += '\n';
        chunks.Done();
    }
}

namespace {

// The saved side of a comparison: its tree's size, time and what it could not read (null where the
// saved scan lacks the directory).
void AppendSavedSide(std::string& json, const Comparison& comparison) {
    const Profile& before = comparison.before;
    const auto member = [&json, &comparison](std::string_view key, ByteCount value) {
        if (comparison.found) return AppendJsonMember(json, key, value);
        json += '"';
        json += key;
        json += "\":null";
    };
    member("treeSize", before.m_dTreeSize);
    json += ",\"timestamp\":";
    json += comparison.timestamp ? std::to_string(*comparison.timestamp) : "null";
    json += ',';
    member("unreadDirectories", ByteCount{before.m_unread.directories});
    json += ',';
    member("unsizedEntries", ByteCount{before.m_unread.entries});
}

void AppendCounts(std::string& json, EntryCounts counts) {
    AppendJsonMember(json, "files", ByteCount{counts.files});
    json += ',';
    AppendJsonMember(json, "directories", ByteCount{counts.directories});
}

using TallyRows = std::vector<std::pair<std::string, Tally>>;

// `"key":[{"name":...,"size":...,"files":...},...]` of the rows with files. Beside a saved scan's
// rows (`before`), each has its change in bytes and in files, or "new", and a row only the saved
// scan has comes last with no size and no files.
void AppendTallies(std::string& json, std::string_view key, const TallyRows& rows, const TallyRows* before) {
    json += ",\"";
    json += key;
    json += "\":[";
    bool first = true;
    const auto row = [&](const std::string& name, const Tally& now, const Tally* then) {
        json += first ? "{\"name\":" : ",{\"name\":";
        first = false;
        AppendJsonString(json, name, JsonBytes::kUtf8);
        json += ',';
        AppendJsonMember(json, "size", now.bytes);
        json += ',';
        AppendJsonMember(json, "files", ByteCount{now.files});
        if (before != nullptr && then == nullptr) json += ",\"new\":true";
        if (then != nullptr)
            json += ",\"change\":" + SignedDecimal(now.bytes, then->bytes) +
                    ",\"filesChange\":" + SignedDecimal(now.files, then->files);
        json += '}';
    };
    const auto find = [](const TallyRows* in, const std::string& name) -> const Tally* {
        if (in == nullptr) return nullptr;
        const auto found = std::find_if(in->begin(), in->end(), [&name](const auto& each) {
            return each.first == name && each.second.files != 0;
        });
        return found != in->end() ? &found->second : nullptr;
    };
    for (const auto& [name, tally] : rows)
        if (tally.files != 0) row(name, tally, find(before, name));
    if (before != nullptr)
        for (const auto& [name, tally] : *before)
            if (tally.files != 0 && find(&rows, name) == nullptr) row(name, Tally{}, &tally);
    json += ']';
}

// The kinds (largest first), types (largest first) and age bands (in band order) of `stats`.
struct StatsRows {
    TallyRows kinds, types, ages;
    explicit StatsRows(const FileStats& stats) {
        for (std::size_t i = 0; i < kKindCount; ++i)
            kinds.emplace_back(KindName(static_cast<Kind>(i)), stats.Kinds()[i]);
        const std::map<std::string, Tally> byName = stats.Types();
        types.assign(byName.begin(), byName.end());
        for (TallyRows* each : {&kinds, &types})
            std::stable_sort(each->begin(), each->end(),
                             [](const auto& a, const auto& b) { return a.second.bytes > b.second.bytes; });
        for (std::size_t i = 0; i < kAgeBandCount; ++i)
            ages.emplace_back(AgeBandName(static_cast<AgeBand>(i)), stats.Ages()[i]);
    }
};

void AppendStats(std::string& json, const FileStats& stats, const FileStats* before) {
    const StatsRows now(stats);
    const std::optional<StatsRows> then =
        before != nullptr ? std::optional<StatsRows>(*before) : std::nullopt;
    AppendTallies(json, "kinds", now.kinds, then ? &then->kinds : nullptr);
    AppendTallies(json, "types", now.types, then ? &then->types : nullptr);
    AppendTallies(json, "ages", now.ages, then ? &then->ages : nullptr);
    json += ",\"largest\":[";
    bool first = true;
    stats.ForLargest([&](const LargeFile& file) {
        json += first ? "{\"path\":" : ",{\"path\":";
        first = false;
        AppendJsonString(json, file.path, JsonBytes::kUtf8);
        json += ',';
        AppendJsonMember(json, "size", ByteCount{file.size});
        json += ",\"mtime\":";
        json += file.mtime == kUnknownTime ? "null" : std::to_string(file.mtime);
        json += ",\"kind\":";
        AppendJsonString(json, KindName(file.kind), JsonBytes::kUtf8);
        json += '}';
    });
    json += ']';
}

}  // namespace

// Written entry by entry; sizes are exact integers at any size.
void PrintJson(const Profile& profile, Counting counting, std::ostream& out, const Comparison* comparison,
               const FileStats* stats, const FileStats* statsBefore) {
    ChunkedOutput chunks(out);
    std::string& json = chunks.text();
    json += "{\"path\":";
    AppendJsonString(json, profile.m_strPath, JsonBytes::kUtf8);
    json += ',';
    AppendJsonMember(json, "treeSize", profile.m_dTreeSize);
    json += ',';
    AppendCounts(json, profile.m_treeCounts);
    json += ',';
    AppendJsonMember(json, "freeSpace", profile.m_dFreeSpace);
    json += ',';
    AppendJsonMember(json, "diskSize", profile.m_dDiskSize);
    json += ",\"entries\":[";
    for (std::size_t i = 0; i < profile.EntryCount(); ++i) {
        json += i == 0 ? "{\"name\":" : ",{\"name\":";
        AppendJsonString(json, profile.m_listNames[i], JsonBytes::kUtf8);
        json += ',';
        AppendJsonMember(json, "size", profile.EntrySize(i));
        json += ",\"color\":\"#" + HexColour(profile.m_pEntryColors[i]) + "\",";
        AppendJsonMember(json, "isFiles", profile.IsFilesEntry(i));
        json += ',';
        AppendCounts(json, profile.CountsOf(i));
        if (comparison != nullptr) {
            if (const std::size_t then = comparison->match[i]; then == Profile::kNoEntry)
                json += ",\"new\":true";
            else
                json +=
                    ",\"change\":" + SignedDecimal(profile.EntrySize(i), comparison->before.EntrySize(then));
            if (ChangeIsPartial(profile, *comparison, i)) json += ",\"partial\":true";
        }
        json += '}';
        chunks.Done();
    }
    json += ']';
    if (comparison != nullptr) {
        json += ",\"gone\":[";
        for (std::size_t gone = 0; gone < comparison->gone.size(); ++gone) {
            const std::size_t then = comparison->gone[gone];
            json += gone == 0 ? "{\"name\":" : ",{\"name\":";
            AppendJsonString(json, comparison->before.m_listNames[then], JsonBytes::kUtf8);
            json += ',';
            AppendJsonMember(json, "size", comparison->before.EntrySize(then));
            if (GoneIsPartial(*comparison, gone)) json += ",\"partial\":true";
            json += '}';
            chunks.Done();
        }
        json += "],\"compared\":{";
        AppendSavedSide(json, *comparison);
        json += '}';
    }
    json += ",\"counting\":{";
    AppendJsonMember(json, "allocated", counting.allocated);
    json += ',';
    AppendJsonMember(json, "linksOnce", counting.linksOnce);
    json += "},";
    AppendJsonMember(json, "unreadDirectories", ByteCount{profile.m_unread.directories});
    json += ',';
    AppendJsonMember(json, "unsizedEntries", ByteCount{profile.m_unread.entries});
    json += ',';
    AppendJsonMember(json, "leftOut", ByteCount{profile.m_leftOut});
    if (stats != nullptr) AppendStats(json, *stats, statsBefore);
    json += "}\n";
}

std::string HexColour(unsigned colour) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text(6, '0');
    for (int i = 0; i < 3; ++i) {  // red, green, blue: the low byte first
        const unsigned byte = (colour >> (8 * i)) & 0xFF;
        text[static_cast<std::size_t>(2 * i)] = kDigits[byte >> 4];
        text[static_cast<std::size_t>(2 * i + 1)] = kDigits[byte & 0xF];
    }
    return text;
}

namespace {

// A step that fails ends the run with this exit status, its message written.
using Exit = std::optional<int>;

// The saved scan of --import as a drive of its own, as in the window: the first letter from Z
// down that no drive of this machine has.
std::shared_ptr<SavedScan> LoadScan(const std::string& file, std::ostream& err) {
    std::string problem;
    const ReadBytes read = OpenFileToRead(file, problem);
    std::shared_ptr<SavedScan> scan = read ? ReadExport(read, problem) : nullptr;
    if (!scan) err << "gauzel-report: " << EscapeControls(file) << ' ' << problem << '\n';
    return scan;
}

Exit ImportScan(const std::string& file, const LinuxFileSystem& machine,
                std::unique_ptr<SavedScanFileSystem>& saved, std::ostream& err) {
    std::shared_ptr<SavedScan> scan = LoadScan(file, err);
    if (!scan) return 1;
    const char letter =
        SavedDriveLetter([&machine](char candidate) { return machine.Drives().Find(candidate) != nullptr; });
    if (letter == 0) {
        err << "gauzel-report: no drive letter is free for the saved scan\n";
        return 1;
    }
    saved = std::make_unique<SavedScanFileSystem>(std::move(scan), letter);
    return std::nullopt;
}

// The saved scan of --compare, and where in it the profiled directory (its path on the disk, or
// in the saved scan of --import) lies. The saved scan's letter is never shown.
Exit OpenComparison(const std::string& file, const std::string& directory, const std::string& realPath,
                    std::unique_ptr<SavedScanFileSystem>& old, std::string& oldPath, std::ostream& err) {
    std::shared_ptr<SavedScan> scan = LoadScan(file, err);
    if (!scan) return 1;
    old = std::make_unique<SavedScanFileSystem>(std::move(scan), 'Z');
    const std::optional<std::string> path = old->LogicalPathOf(realPath);
    if (!path) {
        err << "gauzel-report: " << EscapeControls(directory) << " is not in the saved scan (its root is "
            << EscapeControls(old->Scan().RootPath()) << ")\n";
        return 1;
    }
    oldPath = *path;
    return std::nullopt;
}

// The threads and the counting of the rescan: the options over the settings. A thread count out
// of range is told, and the default used.
Counting Configure(ScanEngine& engine, const Options& options, const SettingsStore& settings,
                   std::ostream& err) {
    const auto refuseThreads = [&err](const std::string& what) {
        err << "gauzel-report: warning: " << what << " is outside 0 to " << kMaxThreads
            << "; the default is used\n";
    };
    if (options.threads && !ThreadsInRange(*options.threads))
        refuseThreads("--threads " + options.threadsText);
    else if (options.threads)
        engine.SetThreads(*options.threads);
    else if (!ThreadsInRange(ThreadsOfSettings(settings)))
        refuseThreads("the settings' [Option] Threads=" + std::to_string(ThreadsOfSettings(settings)));
    Counting counting = CountingOfSettings(settings);
    counting.allocated = counting.allocated || options.allocated;
    counting.linksOnce = counting.linksOnce || options.linksOnce;
    engine.SetCounting(counting);
    return counting;
}

// Where --export writes as the rescan reads: standard output ("-"), or a new version of FILE that
// takes its place only once whole (gzip-compressed for a name ending in ".gz").
Exit OpenExport(const std::string& file, std::unique_ptr<FileWrite>& opened, std::ostream*& to,
                std::ostream& err) {
    if (file == "-") return std::nullopt;
    std::string problem;
    opened = OpenFileToWrite(file, problem);
    if (!opened) {
        err << "gauzel-report: " << EscapeControls(file) << ' ' << problem << '\n';
        return 1;
    }
    to = &opened->Out();
    return std::nullopt;
}

// The export's end: nothing is written of a directory that could not be opened, and a file is
// put in its place only when every byte of it was written.
Exit FinishExport(ScanExport& exporter, FileWrite* file, const RescanEnd& end, const std::string& directory,
                  const std::string& name, std::ostream& err) {
    errno = 0;
    if (end.openError != 0) {
        err << "gauzel-report: " << EscapeControls(directory) << ": " << std::strerror(end.openError) << '\n';
        return 1;
    }
    int error = exporter.Finish() ? 0 : exporter.WriteError();
    if (error == 0 && file != nullptr && !file->Commit()) error = errno != 0 ? errno : EIO;
    if (error == 0) return std::nullopt;
    if (file == nullptr) {
        err << "gauzel-report: cannot write the export: " << std::strerror(error) << '\n';
        return 4;  // standard output, as the report's own
    }
    err << "gauzel-report: " << EscapeControls(name) << " was not saved: " << std::strerror(error) << '\n';
    return 1;
}

// The patterns of --exclude-from FILE: one a line; blank lines and lines beginning with "#" are not.
Exit ReadExcludeFrom(const std::string& file, std::vector<std::string>& patterns, std::ostream& err) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        err << "gauzel-report: --exclude-from " << EscapeControls(file) << ": " << std::strerror(errno)
            << '\n';
        return 2;
    }
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line.front() != '#') patterns.push_back(line);
    }
    if (in.bad()) {
        err << "gauzel-report: --exclude-from " << EscapeControls(file) << ": " << std::strerror(errno)
            << '\n';
        return 2;
    }
    return std::nullopt;
}

// What the report shows: the profile, the rows of --by when not its entries, what the rescan
// gathered, and the comparison with a saved scan.
struct Shown {
    const Profile& profile;
    const Profile* rows;
    const FileStats* stats;
    const Comparison* comparison;
    const FileStats* statsBefore;  // the saved scan's, in the JSON
};

// This machine's type database, for the kinds; a machine without one is told, and every file
// counts as Other.
std::shared_ptr<const MimeTypes> LoadTypes(std::ostream& err) {
    const MimeDatabaseText text = ReadMimeDatabase();
    if (text.globs2.empty())
        err << "gauzel-report: warning: no file type database (shared-mime-info's mime/globs2) was found; "
               "every file counts as Other\n";
    return std::make_shared<const MimeTypes>(text);
}

// "Largest files:", then a line each: "SIZE  YYYY-MM-DD HH:MM  PATH".
void PrintLargest(const FileStats& stats, Units units, std::ostream& out) {
    ChunkedOutput chunks(out);
    std::string& text = chunks.text();
    text += "Largest files:\n";
    stats.ForLargest([&](const LargeFile& file) {
        const std::string date = file.mtime == kUnknownTime ? std::string() : ScanDate(file.mtime);
        text += FormatSize(file.size, units) + "  " + (date.empty() ? "(no time known) " : date) + "  " +
                EscapeControls(file.path) + '\n';
        chunks.Done();
    });
}

// "Left out: 3 entries (--exclude, --exclude-caches)", after the summary, when any was.
std::string LeftOutLine(const Profile& profile, const Options& options, const SettingsStore& settings) {
    if (profile.m_leftOut == 0) return {};
    const Exclusions fromSettings = ExclusionsOfSettings(settings);
    const bool patterns =
        !options.exclude.empty() || !options.excludeFrom.empty() || fromSettings.HasPatterns();
    const bool caches = options.excludeCaches || fromSettings.Caches();
    const char* why = patterns && caches ? "--exclude, --exclude-caches"
                      : patterns         ? "--exclude"
                                         : "--exclude-caches";
    return "Left out: " + Counted(profile.m_leftOut, "entry", "entries") + " (" + why + ")\n";
}

// The saved scan beside the rows the text shows: the entries, counted by files in the text with
// --count (the JSON has both, and changes in bytes), or the kinds, types or age bands of both
// trees, the ages of both measured from this rescan's start. The JSON compares the entries, and
// its kinds, types and ages with the saved scan's (`statsBefore`).
std::optional<Comparison> CompareWithSaved(SavedScanFileSystem& old, const std::string& oldPath,
                                           const SettingsStore& settings, Counting counting,
                                           const Options& options, const Profile& profile,
                                           const std::optional<Profile>& rows,
                                           const std::optional<FileStats>& stats,
                                           std::optional<FileStats>& statsBefore) {
    const std::optional<std::int64_t> timestamp = old.Scan().Timestamp();
    std::optional<Profile> before;
    if (stats && (rows || options.json)) {
        const Gathering gathering{stats->What().types, stats->What().start, 0, {}};
        before = ProfileOfSaved(old, oldPath, settings, counting, &gathering, &statsBefore);
    } else {
        before = ProfileOfSaved(old, oldPath, settings, counting);
    }
    if (rows && !options.json) {
        std::optional<Profile> beforeRows;
        if (before && statsBefore) beforeRows = RowsOf(*before, *statsBefore, options.by, options.count);
        return Compare(*rows, std::move(beforeRows), timestamp);
    }
    const bool inFiles = options.count && !options.json;
    if (inFiles && before) before = before->CountedByFiles();
    return Compare(inFiles ? profile.CountedByFiles() : profile, std::move(before), timestamp);
}

// The report as text or JSON (nothing when the export is the output).
Exit Print(const Shown& shown, const Options& options, const SettingsStore& settings, Counting counting,
           std::ostream& out, std::ostream& err) {
    const Profile& profile = shown.profile;
    const Units units = options.units.value_or(UnitsOf(settings.GetProfileInt(kSectionOption, kKeyUnits, 0)));
    errno = 0;
    if (options.json) {
        PrintJson(profile, counting, out, shown.comparison, shown.stats, shown.statsBefore);
    } else if (!options.exportFile) {
        // Counted, every number that is a size is a number of files, in no unit (the free space
        // stays in bytes).
        const Units rowUnits = options.count ? Units::Files : units;
        const std::string treeLine = options.count ? FilesInTreeLine(profile) : std::string();
        const std::string freeSpace = MakeSummaryLines(profile, units).freeSpace;
        const std::string leftOut = LeftOutLine(profile, options, settings);
        if (shown.rows != nullptr) {  // the rows' own tree is the profile's
            PrintText(*shown.rows, rowUnits, out, shown.comparison,
                      treeLine.empty() ? MakeSummaryLines(profile, units).tree : treeLine, freeSpace,
                      leftOut);
        } else if (options.count) {
            PrintText(profile.CountedByFiles(), rowUnits, out, shown.comparison, treeLine, freeSpace,
                      leftOut);
        } else {
            PrintText(profile, units, out, shown.comparison, {}, {}, leftOut);
        }
        if (shown.stats != nullptr && options.largest != 0) PrintLargest(*shown.stats, units, out);
    }
    out.flush();
    if (out) return std::nullopt;
    const int error = errno;
    err << "gauzel-report: cannot write the report"
        << (error != 0 ? std::string(": ") + std::strerror(error) : "") << '\n';
    return 4;
}

// The rows (the entries, or the kinds, types or ages), compared with the saved scan `old` if any,
// printed.
Exit PrintReport(const Profile& profile, const std::optional<FileStats>& stats, SavedScanFileSystem* old,
                 const std::string& oldPath, const SettingsStore& settings, Counting counting,
                 const Options& options, std::ostream& out, std::ostream& err) {
    const std::optional<Profile> rows =
        options.by != RowsBy::kFolder && stats
            ? std::optional<Profile>(RowsOf(profile, *stats, options.by, options.count))
            : std::nullopt;
    std::optional<Comparison> comparison;
    std::optional<FileStats> statsBefore;
    if (old != nullptr)
        comparison =
            CompareWithSaved(*old, oldPath, settings, counting, options, profile, rows, stats, statsBefore);
    const Shown shown{profile, rows ? &*rows : nullptr, stats ? &*stats : nullptr,
                      comparison ? &*comparison : nullptr, statsBefore ? &*statsBefore : nullptr};
    return Print(shown, options, settings, counting, out, err);
}

// What could not be read, after the report: exit 3 when there was anything.
int TellProblems(const Profile& profile, const std::vector<std::string>& named, std::ostream& err) {
    const std::uint64_t problems = profile.m_unread.problems;
    if (problems == 0) return 0;
    for (const std::string& line : named) err << "gauzel-report: " << line << '\n';
    if (problems > named.size()) err << "gauzel-report: \u2026 and " << problems - named.size() << " more\n";
    err << "gauzel-report: " << Counted(profile.m_unread.directories, "directory", "directories") << " and "
        << Counted(profile.m_unread.entries, "entry", "entries")
        << " could not be read; the totals leave them out\n";
    return 3;
}

}  // namespace

int RunReport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::string usage;
    const std::optional<Options> options = ParseOptions(args, usage);
    if (!options) {
        if (!usage.empty()) err << "gauzel-report: " << usage << '\n';
        err << kUsage;
        return 2;
    }
    std::vector<std::string> exclude = options->exclude;
    for (const std::string& file : options->excludeFrom)
        if (const Exit exit = ReadExcludeFrom(file, exclude, err)) return *exit;
    const IniSettings settings(DefaultSettingsPath("gauzel"));
    if (const std::string problem = settings.Problem(); !problem.empty())
        err << "gauzel-report: warning: the settings file '" << EscapeControls(settings.Path())
            << "' cannot be read (" << problem << "); the defaults are used\n";
    LinuxFileSystem machine(LoadDriveTable(settings));
    std::unique_ptr<SavedScanFileSystem> saved;
    if (options->importFile)
        if (const Exit exit = ImportScan(*options->importFile, machine, saved, err)) return *exit;
    FileSystem& fileSystem = saved ? static_cast<FileSystem&>(*saved) : machine;
    const std::string directory = options->directory.value_or(saved ? saved->Scan().RootPath() : ".");
    LogicalDirectory logical = saved ? LogicalDirectory{saved->LogicalPathOf(directory), ""}
                                     : ResolveDirectory(machine.Drives(), directory);
    if (!logical.path) {
        if (saved)
            logical.error =
                "not at or below the saved scan's root, " + EscapeControls(saved->Scan().RootPath());
        err << "gauzel-report: " << EscapeControls(directory) << ": " << logical.error << '\n';
        return 1;
    }
    if (saved && !saved->OpenDirectory(*logical.path).directory) {
        err << "gauzel-report: " << EscapeControls(directory) << " is not a directory in the saved scan\n";
        return 1;
    }

    std::unique_ptr<SavedScanFileSystem> old;
    std::string oldPath;
    if (options->compareFile) {
        const std::string real =
            saved ? saved->ScannedPathOf(*logical.path).value_or("")
                  : machine.Drives().ToReal(*logical.path).value_or(RealPath{"/", {}}).Joined();
        if (const Exit exit = OpenComparison(*options->compareFile, directory, real, old, oldPath, err))
            return *exit;
    }

    Profile profile(*logical.path, IsBelowRoot(*logical.path));
    ProgressPrinter progress(options->progress ? &err : nullptr);
    ScanEngine engine(fileSystem.Snapshot(), ReaderPool(), settings, progress);
    const Counting counting = Configure(engine, *options, settings, err);
    if (options->Gathers()) engine.SetGathering({LoadTypes(err), 0, options->largest, {}});
    engine.AddExclusions(exclude, options->excludeCaches);
    std::unique_ptr<FileWrite> exportFile;
    std::ostream* exportTo = &out;
    std::unique_ptr<ScanExport> exporter;
    if (options->exportFile) {
        if (const Exit exit = OpenExport(*options->exportFile, exportFile, exportTo, err)) return *exit;
        const std::string real =
            machine.Drives().ToReal(profile.m_strPath).value_or(RealPath{"/", {}}).Joined();
        exporter = std::make_unique<ScanExport>(*exportTo, ExportHead{real,
                                                                      DirectoryRecord(real),
                                                                      counting,
                                                                      "gauzel-report",
                                                                      GAUZEL_VERSION,
                                                                      std::time(nullptr),
                                                                      {}});
        engine.SetRecorder(exporter.get());
    }
    const RescanEnd end = engine.Rescan(profile);
    if (exporter)
        if (const Exit exit =
                FinishExport(*exporter, exportFile.get(), end, directory, *options->exportFile, err))
            return *exit;
    if (const Exit exit =
            PrintReport(profile, engine.Stats(), old.get(), oldPath, settings, counting, *options, out, err))
        return *exit;
    return TellProblems(profile, progress.named, err);
}

}  // namespace gauzel

#include "tools/report.h"

#include <cstdio>
#include <ostream>
#include <optional>

#include "platform/linux/ini_settings.h"
#include "platform/linux/linux_file_system.h"
#include "platform/linux/mounts.h"
#include "view/display/format_size.h"
#include "view/display/summary.h"
#include "view/profile/scan_engine.h"

namespace gauzel {

namespace {

constexpr const char* kUsage =
    "usage: gauzel-report [--units bytes|kilobytes|megabytes] [--json] [--progress] [DIRECTORY]\n";

struct Options {
    std::optional<int> units;
    bool json = false;
    bool progress = false;
    std::optional<std::string> directory;
};

std::optional<int> ParseUnits(std::string_view name) {
    if (name == "bytes") return kUnitsBytes;
    if (name == "kilobytes") return kUnitsKilobytes;
    if (name == "megabytes") return kUnitsMegabytes;
    return std::nullopt;
}

std::optional<Options> ParseOptions(const std::vector<std::string>& args) {
    Options options;
    bool onlyOperands = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!onlyOperands && arg == "--") {
            onlyOperands = true;
        } else if (!onlyOperands && arg == "--json") {
            options.json = true;
        } else if (!onlyOperands && arg == "--progress") {
            options.progress = true;
        } else if (!onlyOperands && (arg == "--units" || arg.starts_with("--units="))) {
            std::string value;
            if (arg == "--units") {
                if (++i == args.size()) return std::nullopt;
                value = args[i];
            } else {
                value = arg.substr(8);
            }
            options.units = ParseUnits(value);
            if (!options.units) return std::nullopt;
        } else if (!onlyOperands && arg.size() > 1 && arg.starts_with('-')) {
            return std::nullopt;
        } else if (options.directory) {
            return std::nullopt;  // one directory at most
        } else {
            options.directory = arg;
        }
    }
    return options;
}

class ProgressPrinter final : public ProgressSink {
public:
    explicit ProgressPrinter(std::ostream* err) : m_err(err) {}
    void Opened() override {}
    void Status(const std::string& text) override {
        if (m_err != nullptr) *m_err << text << '\n';
    }
    void Beep() override {}
    void Closed() override {}

private:
    std::ostream* m_err;  // null: progress is not shown
};

void PrintText(const Profile& profile, int units, std::ostream& out) {
    const SummaryLines lines = MakeSummaryLines(profile, units);
    out << lines.tree << '\n' << lines.freeSpace << '\n' << lines.path << '\n';
    for (std::size_t i = 0; i < profile.EntryCount(); ++i)
        out << HexColour(profile.m_pEntryColors[i]) << "  " << FormatSize(profile.EntrySize(i), units) << "  "
            << profile.m_listNames[i] << '\n';
}

void PrintJson(const Profile& profile, std::ostream& out) {
    out << "{\"path\": " << JsonString(profile.m_strPath) << ", \"treeSize\": " << FormatWhole(profile.m_dTreeSize)
        << ", \"freeSpace\": " << FormatWhole(profile.m_dFreeSpace)
        << ", \"diskSize\": " << FormatWhole(profile.m_dDiskSize) << ", \"entries\": [";
    for (std::size_t i = 0; i < profile.EntryCount(); ++i) {
        out << (i == 0 ? "" : ", ") << "{\"name\": " << JsonString(profile.m_listNames[i])
            << ", \"size\": " << FormatWhole(profile.EntrySize(i)) << ", \"color\": \"#"
            << HexColour(profile.m_pEntryColors[i]) << "\", \"isFiles\": "
            << (profile.IsFilesEntry(i) ? "true" : "false") << "}";
    }
    out << "]}\n";
}

}  // namespace

std::string HexColour(unsigned colour) {
    char text[8];
    std::snprintf(text, sizeof text, "%02X%02X%02X", colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
    return text;
}

// Length of the valid UTF-8 sequence at the start of `s`, or 0 when its first byte starts none.
static std::size_t Utf8Length(std::string_view s) {
    const auto byte = [&s](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = byte(0);
    std::size_t length;
    unsigned low = 0x80, high = 0xBF;  // range of the second byte
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;        // no overlong forms
        if (lead == 0xED) high = 0x9F;       // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;       // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (s.size() < length || byte(1) < low || byte(1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
    return length;
}

std::string JsonString(std::string_view bytes) {
    std::string json = "\"";
    while (!bytes.empty()) {
        const std::size_t length = Utf8Length(bytes);
        const char c = bytes[0];
        if (length == 0) {
            json += "\xEF\xBF\xBD";  // U+FFFD
            bytes.remove_prefix(1);
            continue;
        }
        if (c == '"' || c == '\\') {
            json += '\\';
            json += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
            json += escape;
        } else {
            json.append(bytes.substr(0, length));
        }
        bytes.remove_prefix(length);
    }
    return json + "\"";
}

int RunReport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const std::optional<Options> options = ParseOptions(args);
    if (!options) {
        err << kUsage;
        return 2;
    }

    const IniSettings settings(DefaultSettingsPath("gauzel"));
    LinuxFileSystem fileSystem(LoadDriveTable(settings));
    const std::string directory = options->directory.value_or(".");
    const LogicalDirectory logical = ResolveDirectory(fileSystem.Drives(), directory);
    if (!logical.path) {
        err << "gauzel-report: " << directory << ": " << logical.error << '\n';
        return 1;
    }

    Profile profile;
    profile.m_strPath = *logical.path;
    profile.m_bBelowRoot = profile.m_strPath.find('\\') != std::string::npos;
    ProgressPrinter progress(options->progress ? &err : nullptr);
    ScanEngine(fileSystem, settings, progress).Rescan(profile);

    const int units = options->units.value_or(settings.GetProfileInt(kSectionOption, kKeyUnits, 0));
    if (options->json)
        PrintJson(profile, out);
    else
        PrintText(profile, units, out);
    out.flush();
    return out ? 0 : 1;
}

}  // namespace gauzel

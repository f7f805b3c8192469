#include "core/commands/command_line.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace gauzel {

namespace {

// Qt's own options (QGuiApplication, QApplication and the X11 platform), each also as "--name"
// and "-name=value".
constexpr std::array<std::string_view, 13> kQtOptionsWithValue = {
    "platform",    "platformpluginpath", "platformtheme", "plugin",  "qwindowgeometry",
    "qwindowicon", "qwindowtitle",       "session",       "display", "geometry",
    "style",       "stylesheet",         "qmljsdebugger"};
constexpr std::array<std::string_view, 5> kQtFlags = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

template <std::size_t N>
bool Contains(const std::array<std::string_view, N>& names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
    CommandLine line;
    bool options = true;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (options && arg == "--") {
            options = false;
            continue;
        }
        if (options && arg.size() > 1 && arg[0] == '-') {
            if (arg == "-h" || arg == "--help") return {CommandLine::Action::Help, {}, {}, {}};
            if (arg == "-v" || arg == "--version") return {CommandLine::Action::Version, {}, {}, {}};
            if (arg == "--compare" || arg.starts_with("--compare=")) {
                if (arg.size() > 9) {
                    line.compare = arg.substr(10);
                } else if (i + 1 < args.size()) {
                    line.compare = args[++i];
                } else {
                    return {CommandLine::Action::Usage, {}, {}, "--compare needs a saved scan"};
                }
                continue;
            }
            std::string_view name(arg);
            name.remove_prefix(name.starts_with("--") ? 2 : 1);
            const std::size_t equals = name.find('=');
            const std::string_view bare = name.substr(0, equals);
            if (Contains(kQtOptionsWithValue, bare)) {
                if (equals == std::string_view::npos) ++i;  // the value follows
                continue;
            }
            if (Contains(kQtFlags, name)) continue;
            return {CommandLine::Action::Usage, {}, {}, "unknown option '" + arg + "'"};
        }
        if (line.directory) return {CommandLine::Action::Usage, {}, {}, "one directory at most"};
        line.directory = arg;
    }
    return line;
}

std::string UsageText() {
    return "Usage: gauzel [OPTION]... [DIRECTORY | SAVED-SCAN]\n"
           "Shows where a directory's disk space goes: each subdirectory's whole tree and the loose\n"
           "files, as a pie chart and a legend. Without DIRECTORY, the drive of the current directory.\n"
           "A SAVED-SCAN (a file written by gauzel-report --export, ncdu -o or gdu -o) opens as a drive\n"
           "of its own.\n"
           "\n"
           "      --compare OLD  show each entry's change since the saved scan OLD\n"
           "  -h, --help         show this help and exit\n"
           "  -v, --version      show the version and exit\n"
           "\n"
           "Qt's own options (-platform, -style, -reverse, ...) are accepted too.\n"
           "gauzel-report prints the same profile as text.\n";
}

std::string VersionText() { return std::string("gauzel ") + GAUZEL_VERSION + "\n"; }

}  // namespace gauzel

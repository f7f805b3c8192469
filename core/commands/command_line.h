#pragma once
// The program's command line: `gauzel [--compare OLD] [DIRECTORY]`, --help, --version. Qt's own options
// (-platform, -style, ...) are passed over here and left to the application object.

#include <optional>
#include <string>
#include <vector>

namespace gauzel {

struct CommandLine {
    enum class Action { Run, Help, Version, Usage };
    Action action = Action::Run;
    std::optional<std::string> directory;  // as typed: relative to the current directory, or absolute
    std::optional<std::string> compare;    // a saved scan to compare the profiles with
    std::string problem;                   // with Usage: what was wrong
};

// `args` without the program name.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

std::string UsageText();
std::string VersionText();

}  // namespace gauzel

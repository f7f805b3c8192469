#include <gtest/gtest.h>

#include "core/commands/command_line.h"

namespace gauzel {
namespace {

using Action = CommandLine::Action;

TEST(CommandLine, ADirectoryAmongQtsOwnOptionsHelpVersionAndMistakes) {
    struct Case {
        std::vector<std::string> args;
        Action action;
        std::optional<std::string> directory;
        std::optional<std::string> compare = std::nullopt;
    };
    const Case cases[] = {
        {{}, Action::Run, std::nullopt},
        {{"photos"}, Action::Run, "photos"},
        {{"-platform", "offscreen", "photos", "--style=fusion", "-reverse"}, Action::Run, "photos"},
        {{"--", "-odd name"}, Action::Run, "-odd name"},
        {{"photos", "--help"}, Action::Help, std::nullopt},
        {{"-v"}, Action::Version, std::nullopt},
        {{"--frobnicate"}, Action::Usage, std::nullopt},
        {{"one", "two"}, Action::Usage, std::nullopt},
        {{"--compare", "old.json", "photos"}, Action::Run, "photos", "old.json"},
        {{"photos", "--compare=old.json.gz"}, Action::Run, "photos", "old.json.gz"},
        {{"photos", "--compare"}, Action::Usage, std::nullopt},
    };
    for (const Case& c : cases) {
        const CommandLine line = ParseCommandLine(c.args);
        EXPECT_EQ(line.action, c.action) << ::testing::PrintToString(c.args);
        EXPECT_EQ(line.directory, c.directory) << ::testing::PrintToString(c.args);
        EXPECT_EQ(line.compare, c.compare) << ::testing::PrintToString(c.args);
        EXPECT_EQ(line.problem.empty(), c.action != Action::Usage);
    }
}

}  // namespace
}  // namespace gauzel

#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "platform/linux/linux_file_system.h"
#include "tools/report.h"

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    // A reader that has gone (`gauzel-report | head -1`) makes a write fail, which the report
    // tells and exits 4 for, rather than killing the process.
    std::signal(SIGPIPE, SIG_IGN);
    gauzel::RaiseDescriptorLimit();
    return gauzel::RunReport(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}

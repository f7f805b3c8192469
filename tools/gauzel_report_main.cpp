#include <iostream>
#include <string>
#include <vector>

#include "platform/linux/linux_file_system.h"
#include "tools/report.h"

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    gauzel::RaiseDescriptorLimit();
    return gauzel::RunReport(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}

#include "ui/paint_trace.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace gauzel {

void TracePaint(const char* what) {
    static const bool enabled = std::getenv("GAUZEL_PAINT_TIMES") != nullptr;
    if (!enabled) return;
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    std::fprintf(stderr, "gauzel-times: %s %.3f\n", what,
                 std::chrono::duration<double, std::milli>(now).count());
}

}  // namespace gauzel

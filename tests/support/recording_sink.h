#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/scan/scan_engine.h"

namespace gauzel::testing {

// Records what a rescan reports, in order: "<opened>", each status text, "<beep>", "<closed>".
class RecordingSink final : public ProgressSink {
public:
    void Opened() override { events.push_back("<opened>"); }
    void Status(const std::string& text) override { events.push_back(text); }
    void Beep() override { events.push_back("<beep>"); }
    void Closed() override { events.push_back("<closed>"); }
    void Problem(const ScanProblem& problem) override { problems.push_back(problem); }
    bool MayStop() const override { return mayStop; }
    bool KeepGoing() override { return !keepGoing || keepGoing(); }
    bool mayStop = false;             // as the window: the calling thread never reads
    std::function<bool()> keepGoing;  // asked as the window's Esc would be
    std::vector<std::string> events;
    std::vector<ScanProblem> problems;
};

}  // namespace gauzel::testing

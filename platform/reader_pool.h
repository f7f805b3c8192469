#pragma once
// The threads that read the disk for the program. Each program's main makes one pool, which
// outlives every window and every rescan; every read that may wait on the disk or the network is
// a job on it. A job owns what it touches (shared pointers, its own copies): a job still in a read
// when its caller has gone on, or the program ends, finishes on its own and drops what it read.
// A copy of the pool is the same pool (a job that starts more jobs keeps one); nothing ever waits
// for its threads: an idle one ends after a while, and the process ends them all.

#include <cstddef>
#include <functional>
#include <memory>

namespace gauzel {

class ReaderPool {
public:
    // Threads beyond `most` at once are not started: a caller then does without.
    static constexpr std::size_t kMostThreads = 1024;
    ReaderPool() : ReaderPool(kMostThreads) {}
    explicit ReaderPool(std::size_t most);

    // Runs `job` on an idle thread, or a new one: false when none can be had (at `most`, or the
    // system gives no thread), and the caller does without or does the job itself. A thread
    // idle for a while ends.
    bool Run(std::function<void()> job);
    // Returns once no job runs: every read handed out has returned (what a test waits for).
    void WaitIdle();
    // Threads started and not ended, idle or not.
    std::size_t Threads() const;

private:
    struct Shared;
    std::shared_ptr<Shared> m_shared;
};

}  // namespace gauzel

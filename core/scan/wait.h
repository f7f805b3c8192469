#pragma once
// How a stoppable rescan waits: never longer than kKeepGoingInterval before it asks whether to
// go on, so a read that never returns cannot keep it from stopping.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace gauzel {

inline constexpr std::chrono::milliseconds kKeepGoingInterval{25};

// Waits on `ready` (with `lock` held on entry and on return) until `done` holds, asking
// `keepGoing` every kKeepGoingInterval, without the lock. False when it says no.
template <typename Done>
bool WaitAsking(std::condition_variable& ready, std::unique_lock<std::mutex>& lock, Done done,
                const std::function<bool()>& keepGoing) {
    while (!ready.wait_for(lock, kKeepGoingInterval, done)) {
        lock.unlock();
        const bool go = keepGoing();
        lock.lock();
        if (!go) return false;
    }
    return true;
}

}  // namespace gauzel

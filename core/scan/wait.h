#pragma once
// How a stoppable rescan waits: never longer than kKeepGoingInterval before it asks whether to
// go on, so a read that never returns cannot keep it from stopping.

#include <chrono>
#include <condition_variable>
#include <functional>

#include "platform/locking.h"

namespace gauzel {

inline constexpr std::chrono::milliseconds kKeepGoingInterval{25};

// Waits on `ready` (with `mutex` held on entry and on return) until `done` holds, asking
// `keepGoing` every kKeepGoingInterval, without the mutex. False when it says no.
template <typename Done>
bool WaitAsking(std::condition_variable& ready, Mutex& mutex, Done done,
                const std::function<bool()>& keepGoing) REQUIRES(mutex) {
    while (!mutex.WaitFor(ready, kKeepGoingInterval, done)) {
        mutex.Unlock();
        const bool go = keepGoing();
        mutex.Lock();
        if (!go) return false;
    }
    return true;
}

}  // namespace gauzel

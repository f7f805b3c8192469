#pragma once
// The one way the program starts the threads that read for it, and ends them.

#include <cstddef>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace gauzel {

// Threads started one at a time: one that cannot be started (a user at the process limit) is
// done without, and the caller works with those it has. They are joined when the group goes,
// unless left to finish on their own first (a read that may never return must not hold the
// caller: such a thread keeps alive what it uses).
class ThreadGroup {
public:
    ThreadGroup() = default;
    ThreadGroup(ThreadGroup&& other) noexcept : m_threads(std::move(other.m_threads)) {}
    ThreadGroup& operator=(ThreadGroup&&) = delete;
    ~ThreadGroup() { Join(); }

    // False when no thread can be had.
    template <typename Work>
    bool Start(Work&& work) {
        try {
            m_threads.emplace_back(std::forward<Work>(work));
            return true;
        } catch (const std::system_error&) {
            return false;
        }
    }
    std::size_t Size() const { return m_threads.size(); }
    void Join() {
        for (std::thread& thread : m_threads) thread.join();
        m_threads.clear();
    }
    void Leave() {
        for (std::thread& thread : m_threads) thread.detach();
        m_threads.clear();
    }

private:
    std::vector<std::thread> m_threads;
};

}  // namespace gauzel

#include "platform/reader_pool.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <system_error>
#include <thread>
#include <utility>

#include "platform/locking.h"

namespace gauzel {

namespace {
// A thread idle this long ends: a program that read a share with many threads gives them back.
constexpr std::chrono::seconds kIdleEnds{30};
}  // namespace

struct ReaderPool::Shared {
    explicit Shared(std::size_t limit) : most(limit) {}
    const std::size_t most;
    mutable Mutex mutex;
    std::condition_variable work;                              // a job is queued
    std::condition_variable quiet;                             // no job runs
    std::deque<std::function<void()>> jobs GUARDED_BY(mutex);  // each promised to an idle thread
    std::size_t threads GUARDED_BY(mutex) = 0;
    std::size_t idle GUARDED_BY(mutex) = 0;
    std::size_t busy GUARDED_BY(mutex) = 0;  // jobs queued or running

    static void Serve(const std::shared_ptr<Shared>& shared);
};

void ReaderPool::Shared::Serve(const std::shared_ptr<Shared>& shared) {
    Shared& pool = *shared;
    const MutexLock lock(pool.mutex);
    for (;;) {
        if (pool.jobs.empty()) {
            ++pool.idle;
            pool.mutex.WaitFor(pool.work, kIdleEnds,
                               [&pool]() REQUIRES(pool.mutex) { return !pool.jobs.empty(); });
            --pool.idle;
            if (pool.jobs.empty()) {  // idle long enough
                --pool.threads;
                return;
            }
        }
        std::function<void()> job = std::move(pool.jobs.front());
        pool.jobs.pop_front();
        pool.mutex.Unlock();
        job();
        job = nullptr;  // what it owns goes before the next
        pool.mutex.Lock();
        if (--pool.busy == 0) pool.quiet.notify_all();
    }
}

ReaderPool::ReaderPool(std::size_t most) : m_shared(std::make_shared<Shared>(most)) {}

bool ReaderPool::Run(std::function<void()> job) {
    Shared& pool = *m_shared;
    const MutexLock lock(pool.mutex);
    const bool idle = pool.idle > pool.jobs.size();
    if (!idle && pool.threads >= pool.most) return false;
    pool.jobs.push_back(std::move(job));
    if (idle) {
        pool.work.notify_one();
    } else {
        try {
            std::thread([shared = m_shared] { Shared::Serve(shared); }).detach();
        } catch (const std::system_error&) {
            pool.jobs.pop_back();
            return false;
        }
        ++pool.threads;
    }
    ++pool.busy;
    return true;
}

void ReaderPool::WaitIdle() {
    Shared& pool = *m_shared;
    const MutexLock lock(pool.mutex);
    pool.mutex.Wait(pool.quiet, [&pool]() REQUIRES(pool.mutex) { return pool.busy == 0; });
}

std::size_t ReaderPool::Threads() const {
    const MutexLock lock(m_shared->mutex);
    return m_shared->threads;
}

}  // namespace gauzel

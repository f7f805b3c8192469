#pragma once
// Locks the compiler checks: with clang's -Wthread-safety, a member marked GUARDED_BY is read or
// written only with its mutex held, and a function marked REQUIRES is called only so. Other
// compilers see a plain mutex.

#include <chrono>
#include <condition_variable>
#include <mutex>

#if defined(__clang__)
#define GAUZEL_THREADS(x) __attribute__((x))
#else
#define GAUZEL_THREADS(x)
#endif
#define CAPABILITY(x) GAUZEL_THREADS(capability(x))
#define SCOPED_CAPABILITY GAUZEL_THREADS(scoped_lockable)
#define GUARDED_BY(x) GAUZEL_THREADS(guarded_by(x))
#define REQUIRES(...) GAUZEL_THREADS(requires_capability(__VA_ARGS__))
#define EXCLUDES(...) GAUZEL_THREADS(locks_excluded(__VA_ARGS__))
#define ACQUIRE(...) GAUZEL_THREADS(acquire_capability(__VA_ARGS__))
#define RELEASE(...) GAUZEL_THREADS(release_capability(__VA_ARGS__))
#define NO_THREAD_SAFETY_ANALYSIS GAUZEL_THREADS(no_thread_safety_analysis)

namespace gauzel {

class CAPABILITY("mutex") Mutex {
public:
    void Lock() ACQUIRE() { m_mutex.lock(); }
    void Unlock() RELEASE() { m_mutex.unlock(); }

    // Waits on `signal` until `done()` holds (held on entry and on return, not meanwhile).
    template <typename Done>
    void Wait(std::condition_variable& signal, Done done) REQUIRES(this) NO_THREAD_SAFETY_ANALYSIS {
        std::unique_lock lock(m_mutex, std::adopt_lock);
        signal.wait(lock, done);
        lock.release();
    }
    // The same for at most `most`: whether `done()` holds.
    template <typename Done, typename Duration>
    bool WaitFor(std::condition_variable& signal, Duration most, Done done)
        REQUIRES(this) NO_THREAD_SAFETY_ANALYSIS {
        std::unique_lock lock(m_mutex, std::adopt_lock);
        const bool held = signal.wait_for(lock, most, done);
        lock.release();
        return held;
    }

private:
    std::mutex m_mutex;
};

// Holds a mutex for its scope; a REQUIRES function may let go of it meanwhile (Unlock, Lock).
class SCOPED_CAPABILITY MutexLock {
public:
    explicit MutexLock(Mutex& mutex) ACQUIRE(mutex) : m_mutex(mutex) { m_mutex.Lock(); }
    ~MutexLock() RELEASE() { m_mutex.Unlock(); }
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;

private:
    Mutex& m_mutex;
};

}  // namespace gauzel

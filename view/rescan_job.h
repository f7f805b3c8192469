#pragma once
// One rescan of the window, on a thread of its own. The engine builds a new profile there; the
// window's thread takes the statuses as it shows them, hears of the end by a queued signal, and
// takes the profile then. The window's thread never waits on the disk.

#include <QObject>
#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/profile/profile.h"
#include "core/scan/scan_engine.h"
#include "platform/reader_pool.h"

namespace gauzel {

class RescanJob final : public QObject, private ProgressSink {
    Q_OBJECT

public:
    // Rescans `profile`'s path (its path and flag stay). The settings are read on the rescan's
    // thread: nothing may write them until it has ended. `recorder` (if any) is told every
    // directory, on the rescan's thread. Every read is a job of `pool`, on `fileSystem` (the
    // window's Snapshot). It gathers what `gathering` says of the files (their kinds by its
    // types, the largest).
    RescanJob(std::shared_ptr<FileSystem> fileSystem, ReaderPool pool, const SettingsStore& settings,
              Counting counting, Profile profile, ScanRecorder* recorder = nullptr, Gathering gathering = {});
    // Stops the rescan and joins its thread: that thread never waits on the disk itself (the
    // pool's jobs do), so this takes at most about a kKeepGoingInterval.
    ~RescanJob() override;

    // Starts the thread; with no thread to be had, the rescan runs here.
    void Start();
    // Esc and the progress window's close box: the rescan stops at its next look.
    void Stop() { m_stop = true; }

    // The statuses reported since the last call, in order ("starting...", each directory).
    std::vector<std::string> TakeStatuses();
    // After ended(): waits for the thread to return (at once), after which End and TakeProfile
    // may be read.
    void Join();
    // How the rescan ended, and the profile it built (half built when stopped).
    RescanEnd End() const { return m_end; }
    Profile TakeProfile() { return std::move(m_profile); }
    std::optional<FileStats> TakeStats() { return m_engine.TakeStats(); }

signals:
    // Queued to the window's thread: the rescan has ended.
    void ended();

private:
    void Run();
    void Status(const std::string& text) override;
    bool KeepGoing() override { return !m_stop.load(std::memory_order_relaxed); }
    bool MayStop() const override { return true; }

    ScanEngine m_engine;
    Profile m_profile;  // the rescan's thread's until ended()
    RescanEnd m_end;
    std::atomic<bool> m_stop = false;
    std::mutex m_mutex;
    std::vector<std::string> m_statuses;  // under m_mutex
    std::thread m_thread;                 // the rescan's one thread
};

}  // namespace gauzel

#include "view/rescan_job.h"

#include <system_error>
#include <utility>

namespace gauzel {

RescanJob::RescanJob(std::shared_ptr<FileSystem> fileSystem, ReaderPool pool, const SettingsStore& settings,
                     Counting counting, Profile profile, ScanRecorder* recorder, Gathering gathering)
    : m_engine(std::move(fileSystem), std::move(pool), settings, *this), m_profile(std::move(profile)) {
    m_engine.SetCounting(counting);
    m_engine.SetRecorder(recorder);
    m_engine.SetGathering(std::move(gathering));
}

RescanJob::~RescanJob() {
    Stop();
    Join();
}

void RescanJob::Join() {
    if (m_thread.joinable()) m_thread.join();
}

void RescanJob::Start() {
    try {
        m_thread = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        Run();  // a user at the process limit waits for the rescan
    }
}

void RescanJob::Run() {
    m_end = m_engine.Rescan(m_profile);
    emit ended();
}

void RescanJob::Status(const std::string& text) {
    const std::lock_guard lock(m_mutex);
    m_statuses.push_back(text);
}

std::vector<std::string> RescanJob::TakeStatuses() {
    const std::lock_guard lock(m_mutex);
    return std::exchange(m_statuses, {});
}

}  // namespace gauzel

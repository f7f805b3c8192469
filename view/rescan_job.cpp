#include "view/rescan_job.h"

#include <utility>

namespace gauzel {

RescanJob::RescanJob(FileSystem& fileSystem, const SettingsStore& settings, Counting counting,
                     Profile profile, ScanRecorder* recorder, Gathering gathering)
    : m_engine(fileSystem, settings, *this), m_profile(std::move(profile)) {
    m_engine.SetCounting(counting);
    m_engine.SetRecorder(recorder);
    m_engine.SetGathering(std::move(gathering));
}

RescanJob::~RescanJob() {
    Stop();
    Join();
}

void RescanJob::Join() { m_thread.Join(); }

void RescanJob::Start() {
    if (!m_thread.Start([this] { Run(); })) Run();  // a user at the process limit waits for the rescan
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

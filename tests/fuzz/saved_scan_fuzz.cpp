// Any bytes: the loader refuses them with a reason or takes them whole; a tree it takes profiles
// at its root, and its export reads back to the same profile.

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>

#include "core/saved/export_reader.h"
#include "core/saved/saved_scan.h"
#include "core/saved/scan_export.h"
#include "core/scan/scan_engine.h"

namespace {

class NoSettings final : public gauzel::SettingsStore {
public:
    std::optional<std::string> Read(std::string_view, std::string_view) const override {
        return std::nullopt;
    }
    std::vector<std::pair<std::string, std::string>> ReadSection(std::string_view) const override {
        return {};
    }
    int Write(std::string_view, std::string_view, const std::string&) override { return EROFS; }
    std::string Location() const override { return "/none"; }
    std::string Problem() const override { return {}; }
};

gauzel::Profile Profiled(gauzel::FileSystem& fs, gauzel::Counting counting, gauzel::ScanRecorder* recorder) {
    NoSettings settings;
    gauzel::ProgressSink quiet;
    gauzel::Profile profile("Z:", false);
    gauzel::ScanEngine engine(fs.Snapshot(), {}, settings, quiet);
    engine.SetCounting(counting);
    engine.SetThreads(1);
    engine.SetRecorder(recorder);
    engine.Rescan(profile);
    return profile;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string error;
    std::shared_ptr<gauzel::SavedScan> scan =
        gauzel::ReadExportText(std::string_view(reinterpret_cast<const char*>(data), size), error);
    if (!scan) {
        if (error.empty()) std::abort();  // refused without a reason
        return 0;
    }
    const gauzel::Counting counting{size % 2 == 1, size % 3 == 1};
    gauzel::SavedScanFileSystem saved(scan, 'Z');
    std::ostringstream out;
    gauzel::ScanExport exporter(out, {scan->RootPath(), {}, counting, "fuzz", "0", 0});
    const gauzel::Profile first = Profiled(saved, counting, &exporter);
    if (!exporter.Finish()) std::abort();
    std::shared_ptr<gauzel::SavedScan> again = gauzel::ReadExportText(out.str(), error);
    if (!again) std::abort();  // our own export refused
    gauzel::SavedScanFileSystem savedAgain(again, 'Z');
    const gauzel::Profile second = Profiled(savedAgain, counting, nullptr);
    if (first.m_dTreeSize != second.m_dTreeSize || first.m_listNames != second.m_listNames ||
        first.m_unread.directories != second.m_unread.directories)
        std::abort();
    return 0;
}

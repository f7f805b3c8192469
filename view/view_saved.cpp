// Saved scans: opened as drives, saved from a rescan, and compared with.

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <cerrno>
#include <ctime>
#include <utility>

#include "core/display/escape.h"
#include "core/display/summary.h"
#include "core/saved/export_reader.h"
#include "legend/od_list_box.h"
#include "ui/message_box.h"
#include "view/gauzel_view.h"

namespace gauzel {

std::shared_ptr<SavedScan> CGauzelView::ReadSavedScan(const QString& file) {
    std::string problem;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const ReadBytes read = m_services.savedFiles.read(file.toLocal8Bit().toStdString(), problem);
    std::shared_ptr<SavedScan> scan = read ? ReadExport(read, problem) : nullptr;
    QApplication::restoreOverrideCursor();
    if (!scan)
        m_services.messages.Show(
            this, QString("%1 %2.").arg(file, QString::fromStdString(EscapeControls(problem))));
    return scan;
}

std::optional<std::string> CGauzelView::LoadSavedScan(const QString& file) {
    std::shared_ptr<SavedScan> scan = ReadSavedScan(file);
    if (!scan) return std::nullopt;
    const char letter = m_savedDrives.Add(std::move(scan));
    if (letter == 0) {
        m_services.messages.Show(this, QString("No drive letter is free for the saved scan %1.").arg(file));
        return std::nullopt;
    }
    FillDriveList();
    return std::string{letter, ':'};
}

bool CGauzelView::OpenSavedScan(const QString& file) {
    const std::optional<std::string> root = LoadSavedScan(file);
    if (root)
        GoTo(*root, false, [this](bool) { ShowDriveOfPath(); });  // the list shows where the window is now
    else
        ShowDriveOfPath();
    return root.has_value();
}

namespace {

QString AskForSavedScan(QWidget* parent, const char* title) {
    return QFileDialog::getOpenFileName(parent, title, QString(),
                                        "Saved scans (*.json *.json.gz);;All files (*)");
}

}  // namespace

void CGauzelView::OnOpenSavedScan() {
    const QString file = AskForSavedScan(window(), "Open Saved Scan");
    if (!file.isEmpty()) OpenSavedScan(file);
}

void CGauzelView::OnSaveScanAs() {
    const QString file = QFileDialog::getSaveFileName(window(), "Save Scan As", QString(),
                                                      "Saved scans (*.json *.json.gz);;All files (*)");
    if (!file.isEmpty()) SaveScanAs(file);
}

void CGauzelView::SaveScanAs(const QString& file) {
    if (!HasPath() || m_profile.m_bStopped) return;
    std::string problem;
    std::unique_ptr<FileWrite> out = m_services.savedFiles.write(file.toLocal8Bit().toStdString(), problem);
    if (!out) {
        m_services.messages.Show(
            this, QString("%1 %2.").arg(file, QString::fromStdString(EscapeControls(problem))));
        return;
    }
    // Named by the path it has where it was scanned: a saved scan's is its machine's, and it keeps
    // the time it was scanned.
    const std::string root = m_savedDrives.ShownPathOf(m_profile.m_strPath).value_or(m_profile.m_strPath);
    ExportHead head{root, {}, m_counting, "gauzel", GAUZEL_VERSION, std::time(nullptr), {}};
    if (const SavedScanFileSystem* opened = m_savedDrives.SavedOf(m_profile.m_strPath)) {
        head.savedAgain = head.timestamp;
        head.timestamp = opened->Scan().Timestamp();
    }
    auto exporter = std::make_unique<ScanExport>(out->Out(), std::move(head));
    ScanRecorder* recorder = exporter.get();  // it stays where it is when the owner moves below
    // Refused while another rescan runs: the unfinished file goes with `out`, and a save under
    // way keeps its own.
    if (!RescanAt(m_profile.m_strPath, m_profile.m_bBelowRoot, Unopened::kShow, {}, recorder)) return;
    m_saving = Saving{file, std::move(out), std::move(exporter)};
}

void CGauzelView::FinishSave(const RescanEnd& end) {
    Saving saving = std::move(*m_saving);
    m_saving.reset();
    const auto commit = [&saving, &end]() -> int {
        if (end.openError != 0) return end.openError;
        if (!saving.exporter->Finish()) return saving.exporter->WriteError();
        errno = 0;
        return saving.out->Commit() ? 0 : (errno != 0 ? errno : EIO);
    };
    const int error = end.stopped ? 0 : commit();
    if (!end.stopped && error == 0) return;
    saving.exporter.reset();
    saving.out.reset();  // what was written is gone before the message is up
    const QString why =
        end.stopped ? QString("it was stopped") : QString::fromLocal8Bit(ErrorText(error).c_str());
    m_services.messages.Show(this, QString("The scan was not saved to %1: %2.").arg(saving.file, why));
}

bool CGauzelView::CompareWith(const QString& file) {
    std::shared_ptr<SavedScan> scan = ReadSavedScan(file);
    if (!scan) return false;
    auto baseline = std::make_shared<SavedScanFileSystem>(std::move(scan), 'Z');  // its letter is never shown
    const std::optional<std::string> shown =
        HasPath() ? m_savedDrives.ShownPathOf(m_profile.m_strPath) : std::nullopt;
    if (shown && !baseline->LogicalPathOf(*shown)) {
        m_services.messages.Show(
            this, QString("%1 is a saved scan of %2, which does not hold %3.")
                      .arg(file, QString::fromStdString(EscapeControls(baseline->Scan().RootPath())),
                           QString::fromStdString(EscapeControls(*shown))));
        return false;
    }
    m_baseline = std::move(baseline);
    m_baselineFile = file;
    UpdateComparison();
    ShowComparison();
    return true;
}

void CGauzelView::OnCompareWithSavedScan() {
    const QString file = AskForSavedScan(window(), "Compare With Saved Scan");
    if (!file.isEmpty()) CompareWith(file);
}

void CGauzelView::OnStopComparing() {
    m_baseline.reset();
    UpdateComparison();
    ShowComparison();
}

void CGauzelView::UpdateComparison() {
    m_comparison.reset();
    m_statsBefore.reset();
    if (m_baseline && m_profile.IsComplete()) {
        const std::optional<std::string> shown = m_savedDrives.ShownPathOf(m_profile.m_strPath);
        const std::optional<std::string> there = shown ? m_baseline->LogicalPathOf(*shown) : std::nullopt;
        // The saved tree's kinds and ages beside this rescan's: its types, its start.
        const std::optional<Gathering> gathering =
            m_stats ? std::optional<Gathering>(Gathering{m_stats->What().types, m_stats->What().start, 0, {}})
                    : std::nullopt;
        m_comparison = Compare(m_profile,
                               there ? ProfileOfSaved(*m_baseline, *there, m_services.settings, m_counting,
                                                      gathering ? &*gathering : nullptr, &m_statsBefore)
                                     : std::nullopt,
                               m_baseline->Scan().Timestamp());
        m_comparison->reached = there.has_value();
    }
    UpdateRows();
}

void CGauzelView::ShowComparison() {
    FitLegend();
    m_lbLegend->viewport()->update();
    update();
}

void CGauzelView::OnWhatChanged() {
    if (!m_comparison) return;
    const SavedScanOrigin origin{m_baselineFile.toLocal8Bit().toStdString(), m_baseline->Scan().RootPath()};
    ShowListing(
        "IDD_WHAT_CHANGED", "What Changed",
        QString::fromStdString(ChangeListing(GetProfile(), *ShownComparison(), origin, ShownUnits())));
}

void CGauzelView::OnUpdateComparing(QAction* stop, QAction* whatChanged) const {
    stop->setEnabled(IsComparing());
    whatChanged->setEnabled(m_comparison.has_value());
}

}  // namespace gauzel

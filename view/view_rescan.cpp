// The rescan of the view: started, polled for its statuses, stopped, and taken when it ends.

#include <QApplication>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTimer>
#include <utility>

#include "core/commands/navigation.h"
#include "core/display/escape.h"
#include "core/display/summary.h"
#include "legend/od_list_box.h"
#include "ui/message_box.h"
#include "ui/paint_trace.h"
#include "view/gauzel_view.h"
#include "view/rescan_job.h"
#include "view/summing_dlg.h"

namespace gauzel {

// A rescan reads on a thread of its own behind the modal progress window, so no input reaches
// the window meanwhile; a call that comes another way (a queued call, a timer) is refused here.
// The profile shown stays whole until the new one replaces it in one step.
bool CGauzelView::RescanAt(std::string path, bool belowRoot, Unopened unopened, Then then,
                           ScanRecorder* recorder) {
    if (IsScanning()) return false;
    m_services.settings.Reload();  // a hand edit counts from the next rescan on
    // The window gathers everything: its views switch without a rescan.
    m_rescan = std::make_unique<RescanJob>(
        m_services.fileSystem.Snapshot(), m_services.pool, m_services.settings, m_counting,
        Profile(std::move(path), belowRoot), recorder,
        Gathering{m_services.types ? m_services.types : std::make_shared<MimeTypes>(),
                  0,
                  LargestOfSettings(m_services.settings),
                  {}});
    m_unopened = unopened;
    m_then = std::move(then);
    connect(
        m_rescan.get(), &RescanJob::ended, this, [this] { OnRescanEnded(); }, Qt::QueuedConnection);
    if (m_mountsNotifier != nullptr) m_mountsNotifier->setEnabled(false);  // the drives stay as they are
    m_pSummingDlg = new CSummingDlg(window(), [this] { StopRescan(); });
    m_pSummingDlg->Create();
    TracePaint("rescan");
    m_rescan->Start();
    m_statusPoll.start();
    return true;
}

void CGauzelView::StopRescan() {
    if (m_rescan) m_rescan->Stop();
}

void CGauzelView::OnStatuses() {
    if (!m_rescan) return;
    for (const std::string& text : m_rescan->TakeStatuses()) {
        const QString status = QString::fromStdString(EscapeControls(text));
        if (m_pSummingDlg) m_pSummingDlg->SetStatus(status);
        emit summingStatus(status);
    }
}

void CGauzelView::OnRescanEnded() {
    m_statusPoll.stop();
    OnStatuses();
    // Taken first: a message box below runs events, and a call among them may start the next rescan.
    const std::unique_ptr<RescanJob> job = std::move(m_rescan);
    const Unopened unopened = m_unopened;
    const Then then = std::exchange(m_then, {});
    job->Join();
    const RescanEnd end = job->End();
    Profile profile = job->TakeProfile();
    std::optional<FileStats> stats = job->TakeStats();
    if (!end.stopped) QApplication::beep();
    delete m_pSummingDlg.data();
    if (m_saving) FinishSave(end);
    TracePaint("closed");
    if (m_mountsNotifier != nullptr) m_mountsNotifier->setEnabled(true);  // a change meanwhile is told now
    const bool refused = !end.stopped && end.openError != 0 && unopened != Unopened::kShow;
    if (refused && unopened == Unopened::kTell)
        m_services.messages.Show(
            this, QString("%1 cannot be read: %2.")
                      .arg(QString::fromStdString(EscapeControls(DisplayPath(profile.m_strPath))),
                           QString::fromLocal8Bit(ErrorText(end.openError).c_str())));
    const bool first = !HasPath();
    // The first rescan, stopped: the drive's root, nothing summed.
    if (end.stopped && first) profile = Profile::Unsummed(GoToRoot(profile.m_strPath).path);
    if ((!end.stopped || first) && !refused) {
        m_profile = std::move(profile);
        m_stats = std::move(stats);
        UpdateComparison();
        m_lbLegend->SetRowCount(static_cast<int>(GetProfile().EntryCount()));
        FitLegend();
        m_btnGoToRoot->setEnabled(CanGoUp());
        m_btnGoUp->setEnabled(CanGoUp());
        m_bPieStale = true;
    } else {
        ShowDriveOfPath();  // the drive list shows where the window stays
    }
    update();
    if (first && m_startComparison) CompareWith(*std::exchange(m_startComparison, std::nullopt));
    if (then) then(end.stopped || end.openError == 0);
    emit rescanEnded();
}

}  // namespace gauzel

// The view's navigation commands: each sets the place and rescans.

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <utility>

#include "core/commands/navigation.h"
#include "core/display/escape.h"
#include "core/display/summary.h"
#include "core/saved/export_reader.h"
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
void CGauzelView::RescanAt(std::string path, bool belowRoot, Unopened unopened, Then then,
                           ScanRecorder* recorder) {
    if (IsScanning()) return;
    m_services.settings.Reload();  // a hand edit counts from the next rescan on
    // The window gathers everything: its views switch without a rescan.
    m_rescan = std::make_unique<RescanJob>(
        m_services.fileSystem, m_services.settings, m_counting, Profile(std::move(path), belowRoot), recorder,
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

void CGauzelView::GoTo(std::string path, bool belowRoot, Then then) {
    RescanAt(std::move(path), belowRoot, Unopened::kTell, std::move(then));
}

void CGauzelView::FillDrivesAndRescan() {
    FillDriveList();
    SelectDriveAndRescan();
}

void CGauzelView::FillDriveList() {
    std::vector<std::string> entries = m_services.drives.Entries();
    std::sort(entries.begin(), entries.end());  // a sorted list, like the combo box it stands for
    m_cbDrives->clear();
    for (const std::string& entry : entries) m_cbDrives->addItem(QString::fromStdString(entry));
    m_cbDrives->setCurrentIndex(-1);
}

void CGauzelView::OnMountsChanged() {
    if (HasPath() && m_savedDrives.SavedOf(m_profile.m_strPath) != nullptr) {  // the scan stays where it is
        if (m_services.drives.Refresh()) {
            FillDriveList();
            ShowDriveOfPath();
        }
        return;
    }
    // Where the window stands, as the old drives name it: a new mount may move a drive's letter.
    const std::optional<std::string> real =
        HasPath() ? m_services.drives.RealPathOf(m_profile.m_strPath) : std::nullopt;
    const std::string shownDrive = HasPath() ? m_cbDrives->currentText().toStdString() : std::string();
    if (!m_services.drives.Refresh()) return;
    FillDriveList();
    if (!HasPath()) return;
    // The same mount point under any letter: the same directory, the same profile.
    const std::vector<std::string> entries = DriveEntries();
    const bool stays =
        shownDrive.size() > 5 && std::any_of(entries.begin(), entries.end(), [&](const std::string& entry) {
            return entry.size() > 5 && entry.substr(5) == shownDrive.substr(5);
        });
    const LogicalDirectory now = real && stays ? m_services.drives.Resolve(*real) : LogicalDirectory{};
    if (now.path) {
        m_profile.Relabel(*now.path);
        ShowDriveOfPath();
        update();
        return;
    }
    // Moved first, told after: another change may arrive while the message is shown.
    const QString gone = QString::fromStdString(m_profile.m_strPath.substr(0, 2));
    SelectDriveAndRescan([this, gone](bool) {
        m_services.messages.Show(
            this,
            QString("Drive %1 is no longer there; Gauzel goes to the current directory's drive.").arg(gone));
    });
}

void CGauzelView::SelectDriveAndRescan(Then then) {
    if (m_cbDrives->count() == 0) return;  // no drive at all: nothing to show
    if (m_cbDrives->currentIndex() < 0) {
        if (const std::optional<std::string> start = TakeStartDirectory()) {
            const std::vector<std::string> entries = DriveEntries();  // a saved scan brings its drive
            const std::size_t drive = DriveIndexForDirectory(entries, *start);
            if (drive < entries.size()) {
                m_cbDrives->setCurrentIndex(static_cast<int>(drive));
                // One that cannot be listed was told: the current directory's drive, then.
                GoTo(*start, IsBelowRoot(*start), [this, then](bool went) {
                    if (!went) {
                        m_cbDrives->setCurrentIndex(-1);
                        SelectDriveAndRescan(then);
                    } else if (then) {
                        then(went);
                    }
                });
                return;
            }
        }
        SelectCurrentDirectoryDrive();
    }
    // No selection: the last drive is profiled.
    const int index = m_cbDrives->currentIndex() >= 0 ? m_cbDrives->currentIndex() : m_cbDrives->count() - 1;
    const std::optional<Place> root = DriveRoot(m_cbDrives->itemText(index).toStdString());
    if (!root) return;
    // A drive whose root cannot be listed was told: the list shows the drive the window stays on.
    GoTo(root->path, root->belowRoot, [this, then](bool went) {
        if (!went && HasPath()) ShowDriveOfPath();
        if (then) then(went);
    });
}

void CGauzelView::SelectCurrentDirectoryDrive() {
    const std::vector<std::string> entries = DriveEntries();
    const std::size_t match =
        DriveIndexForDirectory(entries, m_services.drives.CurrentDirectory().value_or(""));
    m_cbDrives->setCurrentIndex(match < entries.size() ? static_cast<int>(match) : -1);
}

std::vector<std::string> CGauzelView::DriveEntries() const {
    std::vector<std::string> entries;
    for (int i = 0; i < m_cbDrives->count(); ++i) entries.push_back(m_cbDrives->itemText(i).toStdString());
    return entries;
}

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
    if (!HasPath() || IsScanning() || m_profile.m_bStopped) return;
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
    ScanRecorder* recorder = exporter.get();
    m_saving = Saving{file, std::move(out), std::move(exporter)};
    RescanAt(m_profile.m_strPath, m_profile.m_bBelowRoot, Unopened::kShow, {}, recorder);
    if (!IsScanning()) m_saving.reset();
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

std::optional<std::string> CGauzelView::TakeStartDirectory() {
    if (!m_startDirectory) return std::nullopt;
    const std::string argument = std::exchange(m_startDirectory, std::nullopt).value();
    if (QFileInfo(QString::fromLocal8Bit(argument)).isFile())
        return LoadSavedScan(QString::fromLocal8Bit(argument));
    LogicalDirectory place = m_services.drives.Resolve(argument);
    if (!place.path)
        m_services.messages.Show(
            this, QString("%1 cannot be profiled: %2.")
                      .arg(QString::fromLocal8Bit(argument), QString::fromStdString(place.error)));
    return std::move(place.path);
}

void CGauzelView::OnDriveTyped() {
    const QString typed = m_cbDrives->currentText();
    const TypedPlace parsed = ParseTypedPlace(typed.toStdString(), QDir::homePath().toStdString());
    std::optional<Place> place = parsed.place;
    if (parsed.realPath) {
        const LogicalDirectory logical = m_services.drives.Resolve(*parsed.realPath);
        if (!logical.path)
            m_services.messages.Show(
                this,
                QString("%1 cannot be profiled: %2.").arg(typed, QString::fromStdString(logical.error)));
        else
            place = Place{*logical.path, IsBelowRoot(*logical.path)};
    }
    const std::vector<std::string> entries = DriveEntries();
    if (place && DriveIndexForDirectory(entries, place->path) == entries.size()) {
        m_services.messages.Show(
            this, QString("There is no drive %1.").arg(QString::fromStdString(place->path.substr(0, 2))));
        place.reset();
    }
    // Where the window is now, whether it moved or not.
    if (place)
        GoTo(place->path, place->belowRoot, [this](bool) { ShowDriveOfPath(); });
    else
        ShowDriveOfPath();
}

void CGauzelView::ShowDriveOfPath() {
    const std::vector<std::string> entries = DriveEntries();
    const std::size_t drive =
        HasPath() ? DriveIndexForDirectory(entries, m_profile.m_strPath) : entries.size();
    m_cbDrives->setCurrentIndex(drive < entries.size() ? static_cast<int>(drive) : -1);
    m_cbDrives->setEditText(drive < entries.size() ? m_cbDrives->itemText(static_cast<int>(drive))
                                                   : QString());
    m_cbDrives->lineEdit()->setCursorPosition(0);
}

void CGauzelView::OnSelChangeDrive() {
    if (m_cbDrives->currentIndex() < 0) return;  // typed text never changes the drive
    SelectDriveAndRescan();
}

void CGauzelView::OnDblClkLegend() {
    const int row = m_lbLegend->CurrentSelection();
    if (row < 0 || static_cast<std::size_t>(row) >= GetProfile().EntryCount()) return;
    if (m_viewBy != RowsBy::kFolder) return OnLargestFiles(static_cast<std::size_t>(row));
    if (GetProfile().IsFilesEntry(static_cast<std::size_t>(row))) {
        m_services.messages.Show(this, kNoFileSizesMessage);
        return;
    }
    DescendInto(static_cast<std::size_t>(row));
}

void CGauzelView::DescendInto(std::size_t row) {
    const Place place = Descend(m_profile.m_strPath, GetProfile().m_listNames[row]);
    GoTo(place.path, place.belowRoot);
}

void CGauzelView::OnContextMenuLegend(int row, QPoint globalPos) {
    const Profile& shown = GetProfile();
    if (row < 0 || static_cast<std::size_t>(row) >= shown.EntryCount()) return;
    const auto entry = static_cast<std::size_t>(row);
    if (m_viewBy != RowsBy::kFolder) {  // a kind or a band: its files
        QMenu menu(this);
        menu.setObjectName("IDR_LEGEND_CONTEXT");
        if (menu.addAction("Largest Files...") == menu.exec(globalPos)) OnLargestFiles(entry);
        return;
    }
    const bool files = shown.IsFilesEntry(entry);
    // Taken now: the menu runs its own event loop.
    const Place into = Descend(m_profile.m_strPath, shown.m_listNames[entry]);
    // Nothing to open for a saved scan's path; its path on the scanned machine can be copied.
    const std::string path = files ? m_profile.m_strPath : into.path;
    QMenu menu(this);
    menu.setObjectName("IDR_LEGEND_CONTEXT");
    QAction* open = menu.addAction("Open in File Manager");
    QAction* copy = menu.addAction("Copy Path");
    QAction* goInto = files ? nullptr : menu.addAction("Go Into");
    QAction* unread = menu.addAction(kWhatCouldNotBeRead);
    open->setEnabled(m_services.drives.RealPathOf(path).has_value());
    copy->setEnabled(m_savedDrives.ShownPathOf(path).has_value());
    unread->setEnabled(shown.UnreadBelow(entry).Any());
    QAction* chosen = menu.exec(globalPos);
    if (chosen == nullptr) return;
    if (chosen == open) OpenInFileManager(path);
    if (chosen == copy) CopyPath(path);
    if (chosen == goInto) GoTo(into.path, into.belowRoot);
    if (chosen == unread) ShowUnread(entry);
}

void CGauzelView::OpenInFileManager(const std::string& path) {
    const std::optional<std::string> real = m_services.drives.RealPathOf(path);
    // The real bytes: a path that is not UTF-8 travels as a file: URI, which keeps them.
    if (!real || !QDesktopServices::openUrl(QUrl::fromEncoded(QByteArray::fromStdString(FileUri(*real)))))
        m_services.messages.Show(this, kNoFolderHandlerMessage);
}

void CGauzelView::CopyPath(const std::string& path) {
    const std::optional<std::string> shown = m_savedDrives.ShownPathOf(path);
    if (!shown) return;
    auto* copied = new QMimeData;
    if (IsUtf8(*shown)) {
        copied->setText(QString::fromStdString(*shown));
    } else {
        const QByteArray uri = QByteArray::fromStdString(FileUri(*shown));
        copied->setUrls({QUrl::fromEncoded(uri)});
        copied->setText(QString::fromLatin1(uri));
    }
    QGuiApplication::clipboard()->setMimeData(copied);
}

void CGauzelView::ShowUnread(std::optional<std::size_t> entry) {
    ShowListing("IDD_UNREAD", "What Could Not Be Read",
                QString::fromStdString(UnreadListing(
                    entry ? GetProfile() : m_profile, entry,
                    [this](const std::string& path) { return m_savedDrives.ShownPathOf(path); })));
}

void CGauzelView::ShowListing(const char* objectName, const char* title, const QString& listing) {
    QDialog dialog(window());
    dialog.setObjectName(objectName);
    dialog.setWindowTitle(title);
    auto* text = new QPlainTextEdit(listing, &dialog);
    text->setReadOnly(true);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    QPushButton* copy = buttons->addButton("Copy", QDialogButtonBox::ActionRole);
    copy->setAutoDefault(false);  // Enter closes; Copy is clicked
    buttons->button(QDialogButtonBox::Close)->setDefault(true);
    connect(copy, &QPushButton::clicked, &dialog,
            [listing] { QGuiApplication::clipboard()->setText(listing); });
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(text);
    layout->addWidget(buttons);
    dialog.resize(600, 300);
    dialog.exec();
}

void CGauzelView::OnGoUp() {
    if (!HasPath() || !CanGoUp()) return;
    GoUpTo(GoUp(m_profile.m_strPath), Unopened::kTell);
}

void CGauzelView::GoUpTo(Place place, Unopened unopened) {
    // Above a directory that may only be passed through (mode 711): the nearest one that can be
    // listed, the first that cannot being told.
    RescanAt(place.path, place.belowRoot, unopened, [this, place](bool went) {
        if (!went && place.belowRoot) GoUpTo(GoUp(place.path), Unopened::kSkip);
    });
}

void CGauzelView::OnGoToRoot() {
    if (!HasPath()) return;
    const Place place = GoToRoot(m_profile.m_strPath);
    GoTo(place.path, place.belowRoot);
}

void CGauzelView::OnRescanThisTree() { Rescan(); }

void CGauzelView::OnUpdateGoToRoot(QAction* action) const { action->setEnabled(CanGoUp()); }

void CGauzelView::OnUpdateGoUp(QAction* action) const { action->setEnabled(CanGoUp()); }

void CGauzelView::OnRButtonDown(QPoint point) {
    QMenu menu("Dummy", this);
    menu.setObjectName("IDR_CONTEXT");
    QAction* goToRoot = menu.addAction("Go To Root");
    QAction* goUp = menu.addAction("Go Up");
    QAction* unread = menu.addAction(kWhatCouldNotBeRead);
    QAction* changed = menu.addAction(kWhatChanged);
    goUp->setEnabled(CanGoUp());
    goToRoot->setEnabled(CanGoUp());
    unread->setEnabled(m_profile.IsIncomplete());
    changed->setEnabled(m_comparison.has_value());
    // Horizontally centred on the point, its top edge at the point.
    const QPoint global = mapToGlobal(point);
    QAction* chosen = menu.exec(QPoint(global.x() - menu.sizeHint().width() / 2, global.y()));
    if (chosen == goToRoot) OnGoToRootCmd();
    if (chosen == goUp) OnGoUpCmd();
    if (chosen == unread) ShowUnread(std::nullopt);
    if (chosen == changed) OnWhatChanged();
}

}  // namespace gauzel

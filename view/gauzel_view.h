#pragma once
// The form view: the profile of the current directory as a pie, a legend and three summary
// lines, and every command that moves through the tree.

#include <QImage>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/commands/navigation.h"
#include "core/display/layout.h"
#include "core/display/pie.h"
#include "core/kinds/file_stats.h"
#include "core/kinds/rows.h"
#include "core/profile/profile.h"
#include "core/saved/saved_drives.h"
#include "core/saved/scan_export.h"
#include "core/scan/scan_engine.h"
#include "legend/legend_source.h"
#include "platform/drive_list.h"
#include "platform/file_system.h"
#include "platform/reader_pool.h"
#include "platform/saved_file.h"
#include "platform/settings_store.h"

class QAction;
class QComboBox;
class QPainter;
class QPushButton;
class QSocketNotifier;

namespace gauzel {

class COdListBox;
class RescanJob;
class CSummingDlg;
class MessageBoxes;

// What the view reads the machine through; main.cpp hands the real ones, tests fakes.
struct ViewServices {
    FileSystem& fileSystem;
    SettingsStore& settings;
    DriveList& drives;
    MessageBoxes& messages;
    SavedFiles savedFiles;
    std::shared_ptr<const MimeTypes> types;  // the kinds of files (null: every file is Other)
    ReaderPool pool;                         // every rescan's reads
};

inline constexpr const char* kNoFileSizesMessage = "Use Windows File Manager for file sizes";
inline constexpr const char* kNoInfoOnFilesMessage = "no info on files";
inline constexpr const char* kNoFolderHandlerMessage = "No program is set to open folders.";
inline constexpr const char* kWhatCouldNotBeRead = "What Could Not Be Read...";
// The pie's menu item; the main menu's has a mnemonic.
inline constexpr const char* kWhatChanged = "What Changed...";

class CGauzelView final : public QWidget, public LegendSource {
    Q_OBJECT

public:
    CGauzelView(ViewServices services, QWidget* parent = nullptr);
    ~CGauzelView() override;

    // What the legend (and anyone else) may read; the widgets and the rest stay inside. The rows
    // shown: the directory's entries, or its tree's kinds or ages, by size or by number of files.
    const Profile& GetProfile() const override { return m_rows ? *m_rows : m_profile; }
    // Whether a rescan runs (the tests wait for its end).
    bool IsScanning() const { return m_rescan != nullptr; }
    Units ShownUnits() const override { return m_countFiles ? Units::Files : UnitsOf(m_nUnits); }
    // Nothing where the saved scan does not reach the directory shown: no row has a change then.
    const Comparison* Compared() const override {
        const std::optional<Comparison>& shown = ShownComparison();
        return shown && shown->reached ? &*shown : nullptr;
    }
    // A kind's five largest types, under its tooltip.
    std::string RowNote(std::size_t row) const override;

    // The View menu: by folder, kind or age, by size or number of files; kept in the settings file,
    // shown at once from the last rescan.
    RowsBy ViewBy() const { return m_viewBy; }
    bool CountsFiles() const { return m_countFiles; }
    void SetViewBy(RowsBy by);
    void OnCountFiles();
    void OnUpdateView(QAction* byFolder, QAction* byKind, QAction* byAge, QAction* countFiles) const;
    // "Largest Files...": the largest files of the tree; from a kind's or band's row, only those.
    void OnLargestFiles(std::optional<std::size_t> row = std::nullopt);
    // What the last rescan gathered of the tree's files (none before the first).
    const FileStats* Stats() const { return m_stats ? &*m_stats : nullptr; }
    // A byte count in the current units.
    QString FormatSize(ByteCount bytes) const;
    // The layout of the start-up tick (and of the size changes after it), whether it has run,
    // and the end angle of each slice of the last paint. Only the tests read them: they check
    // the geometry a paint used and find the pie's slices to click.
    const ViewLayout& Layout() const { return m_layout; }
    const std::vector<double>& SliceAngles() const { return m_pieWedges.endAngles; }
    bool IsLaidOut() const { return m_bLayoutDone; }

    // A directory named on the command line: the first rescan profiles it (on its drive, as if the
    // user had gone there) instead of the current directory's drive root.
    void SetStartDirectory(std::string realPath) { m_startDirectory = std::move(realPath); }

    // Reads a saved scan (an export of ours, ncdu's or gdu's) into a drive of its own and goes to
    // its root; a file that is not one is told, and nothing changes.
    bool OpenSavedScan(const QString& file);
    // "Open Saved Scan...": asks for the file.
    void OnOpenSavedScan();

    // Compares every profile shown from now on with the saved scan in `file`, where it has the
    // directory shown; a file that is not a saved scan, or not of a tree holding the directory
    // shown, is told, and nothing changes.
    bool CompareWith(const QString& file);
    // `gauzel --compare OLD`: compares from the first rescan on.
    void SetStartComparison(QString file) { m_startComparison = std::move(file); }
    bool IsComparing() const { return m_baseline != nullptr; }
    // Rescans the directory shown and writes its whole tree to `file` as a saved scan (gzip-
    // compressed when the name ends in ".gz"); a stopped or failed save leaves no file and says so.
    void SaveScanAs(const QString& file);
    // "Save Scan As...": asks for the file.
    void OnSaveScanAs();
    // "Compare With Saved Scan...": asks for the file.
    void OnCompareWithSavedScan();
    void OnStopComparing();
    // Lists every entry's change, the gone ones too, largest growth first.
    void OnWhatChanged();
    void OnUpdateComparing(QAction* stop, QAction* whatChanged) const;

    // Rebuilds the profile of the current path, refills the legend, sets the buttons.
    void Rescan();
    // Esc and the progress window's close box: the rescan stops, and the window shows what it
    // showed before the command.
    void StopRescan();

    // What a command does once its rescan has ended: `went` is false when the directory could
    // not be opened (a stopped rescan went).
    using Then = std::function<void(bool went)>;

    // Navigation (each ends in a rescan).
    void FillDrivesAndRescan();
    // `then` runs when the drive's rescan has ended.
    void SelectDriveAndRescan(Then then = {});
    void OnSelChangeDrive();
    // Enter in the drive box: a drive, a logical path or a real directory goes there, as the
    // folder argument does; anything else shows the selected entry again.
    void OnDriveTyped();
    // The mount table changed: the drive list follows; a drive that went while shown is told,
    // and the window goes to the current directory's drive.
    void OnMountsChanged();
    void OnDblClkLegend();
    // The legend row's own menu: "Open in File Manager", "Copy Path", "Go Into".
    void OnContextMenuLegend(int row, QPoint globalPos);
    void OnGoUp();
    void OnGoToRoot();
    void OnGoUpCmd() { OnGoUp(); }
    void OnGoToRootCmd() { OnGoToRoot(); }
    void OnRescanFromRoot() { OnGoToRoot(); }
    void OnRescanThisTree();
    void OnUpdateGoToRoot(QAction* action) const;
    void OnUpdateGoUp(QAction* action) const;
    void OnOptionsSettings();
    // Flip a way of counting, keep it in the settings, and rescan: every size changes.
    void OnCountDiskUsage();
    void OnCountLinksOnce();
    void OnUpdateCounting(QAction* diskUsage, QAction* linksOnce) const;

signals:
    // Each value the progress window takes during a rescan, in order.
    void summingStatus(const QString& status);
    // A rescan ended (done, stopped or refused).
    void rescanEnded();

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void MessageMap();
    void OnPaint();
    void OnTimer(int timerId);
    void OnSize();
    void OnRButtonDown(QPoint point);
    void OnLButtonDblClk(QPoint point);
    void DrawPie(QPainter& painter);
    void DrawSummary(QPainter& painter);
    // What a rescan does when the directory cannot be opened.
    enum class Unopened {
        kShow,  // shows it empty, with what could not be read (a rescan in place)
        kTell,  // says so and changes nothing (a move)
        kSkip,  // changes nothing (Go Up's further ancestors)
    };
    // Starts rescanning `path` into a new profile, shown in one step when the rescan ends; a
    // stopped rescan changes nothing (the first one shows the drive root, not summed). `then`
    // runs after. Refused (nothing happens, false) while another rescan runs.
    bool RescanAt(std::string path, bool belowRoot, Unopened unopened, Then then = {},
                  ScanRecorder* recorder = nullptr);
    // The save's rescan has ended: the file is put in place, or removed, and a failure told.
    void FinishSave(const RescanEnd& end);
    // The rescan has ended: its profile is shown, or not, and the command goes on.
    void OnRescanEnded();
    // Every status since the last look goes to the progress window, in order: about 30 times a
    // second while a rescan runs (a signal a directory would cost the rescan a tenth), and at
    // its end.
    void OnStatuses();
    // Rescans `path` if it can be listed; if not, says so and nothing changes.
    void GoTo(std::string path, bool belowRoot, Then then = {});
    // Go Up to `place`, or on to the first ancestor of it that can be listed.
    void GoUpTo(Place place, Unopened unopened);
    // The drive of the current directory, or none (the last drive is profiled then).
    void SelectCurrentDirectoryDrive();
    // Widens the legend so that every size text is drawn whole, or narrows it back to the
    // template's width when they fit there.
    void FitLegend();
    // The command-line directory's place (or saved scan's root), once; a message says why there is none.
    std::optional<std::string> TakeStartDirectory();
    // The drive list's entries, in its order.
    std::vector<std::string> DriveEntries() const;
    // Fills the drive list from the drives, sorted, without a selection.
    void FillDriveList();
    // Selects the entry of the drive shown (none before the first rescan), its text in the box.
    void ShowDriveOfPath();
    bool HasPath() const { return !m_profile.m_strPath.empty(); }
    // "Go Up" and "Go To Root", as buttons and as menu items: below the drive root only.
    bool CanGoUp() const { return m_profile.m_bBelowRoot; }
    // Adds the saved scan in `file` as a drive and returns its root, or says why not.
    std::optional<std::string> LoadSavedScan(const QString& file);
    // Reads the saved scan in `file`, or says why not.
    std::shared_ptr<SavedScan> ReadSavedScan(const QString& file);
    // The profile shown beside the baseline (after each rescan, and when the baseline changes),
    // then the rows.
    void UpdateComparison();
    // The rows of the view (none by folder and size: the profile's entries), and the comparison
    // of theirs.
    void UpdateRows();
    // The rows, the legend and the pie anew, after the view changed.
    void ShowRows();
    const std::optional<Comparison>& ShownComparison() const {
        return m_rows ? m_rowsComparison : m_comparison;
    }
    // The folder a row names (the folder views only).
    void DescendInto(std::size_t row);
    // Copy Path and Open in File Manager of a logical path.
    void CopyPath(const std::string& path);
    void OpenInFileManager(const std::string& path);

    // The legend and the tree line show what changed in the comparison.
    void ShowComparison();
    // A read-only listing with Copy and Close.
    void ShowListing(const char* objectName, const char* title, const QString& listing);
    // Lists what could not be read below entry `entry` (none: anywhere).
    void ShowUnread(std::optional<std::size_t> entry);
    // Writes an [Option] value; a failure is told, and the choice holds until the program ends.
    void WriteOption(const char* key, int value);
    void WriteSetting(const char* section, const char* key, const std::string& value);

    // The machine's drives and the saved scans opened; m_services reads both through it.
    SavedDrives m_savedDrives;
    ViewServices m_services;
    std::optional<std::string> m_startDirectory;
    std::optional<QString> m_startComparison;
    // While comparing: the saved scan (read once, when chosen), and the shown profile beside it.
    std::shared_ptr<SavedScanFileSystem> m_baseline;
    QString m_baselineFile;
    std::optional<Comparison> m_comparison;
    // A save under way: the file being written (the export refers to it), and the export.
    struct Saving {
        QString file;
        std::unique_ptr<FileWrite> out;
        std::unique_ptr<ScanExport> exporter;
    };
    std::optional<Saving> m_saving;
    Profile m_profile;
    // What the rescan gathered, and the saved scan's while comparing.
    std::optional<FileStats> m_stats;
    std::optional<FileStats> m_statsBefore;
    RowsBy m_viewBy = RowsBy::kFolder;
    bool m_countFiles = false;
    std::optional<Profile> m_rows;  // the rows shown, when they are not m_profile's entries
    std::optional<Comparison> m_rowsComparison;
    int m_nUnits = 0;       // as stored: 0 bytes, 1 kilobytes, 2 megabytes; other values bytes
    Counting m_counting;    // from the settings at start, then the menu's
    PieWedges m_pieWedges;  // the slices of the last paint, whatever the square
    ViewLayout m_layout;
    bool m_bTimerStarted = false;
    bool m_bLayoutDone = false;

    QComboBox* m_cbDrives;
    QPushButton* m_btnGoToRoot;
    QPushButton* m_btnGoUp;
    COdListBox* m_lbLegend;
    // Shown during a rescan, modal; a child of the main window (its owner), deleted when the
    // rescan ends.
    QPointer<CSummingDlg> m_pSummingDlg;
    // The rescan that runs, and what its command does when it ends.
    std::unique_ptr<RescanJob> m_rescan;
    QTimer m_statusPoll;
    Unopened m_unopened = Unopened::kShow;
    Then m_then;
    // The mount table's changes; off while a rescan reads the drives, told when it ends.
    QSocketNotifier* m_mountsNotifier = nullptr;
    int m_nStartupTimer = 0;
    QImage m_pieImage;  // the pie as last drawn, for m_pieSquare
    Rect m_pieSquare{};
    bool m_bPieStale = true;  // the profile or the units changed since
};

}  // namespace gauzel

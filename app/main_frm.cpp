#include "app/main_frm.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <QShortcut>
#include <QUrl>

#include "core/display/frame_geometry.h"
#include "ui/dialog_units.h"
#include "ui/message_box.h"

namespace gauzel {

CMainFrame::CMainFrame(ViewServices services, QWidget* parent)
    : QMainWindow(parent), m_pView(new CGauzelView(services, this)), m_messages(services.messages) {
    setObjectName("IDR_MAINFRAME");
    setCentralWidget(m_pView);
    PreCreateWindow();
    OnGetMinMaxInfo();
    MessageMap();
}

void CMainFrame::PreCreateWindow() {
    setWindowTitle(kAppTitle);  // never a document name
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize size = screen != nullptr ? screen->geometry().size() : QSize(kFrameWidth, kFrameHeight);
    setGeometry(ToQRect(InitialFrameRect(size.width(), size.height())));
}

void CMainFrame::OnGetMinMaxInfo() { setMinimumSize(kFrameWidth, kFrameHeight); }

QMenu* CMainFrame::AddPopup(const char* title) { return menuBar()->addMenu(title); }

void CMainFrame::MessageMap() {
    CGauzelView* view = m_pView;

    QMenu* gauzel = AddPopup("&Gauzel");
    QAction* openSaved = gauzel->addAction("&Open Saved Scan...");
    openSaved->setObjectName("ID_FILE_OPEN_SAVED_SCAN");
    openSaved->setShortcut(QKeySequence::Open);
    connect(openSaved, &QAction::triggered, view, [view] { view->OnOpenSavedScan(); });
    QAction* save = gauzel->addAction("&Save Scan As...");
    save->setObjectName("ID_FILE_SAVE_SCAN_AS");
    save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    connect(save, &QAction::triggered, view, [view] { view->OnSaveScanAs(); });
    QAction* compare = gauzel->addAction("&Compare With Saved Scan...");
    compare->setObjectName("ID_FILE_COMPARE");
    connect(compare, &QAction::triggered, view, [view] { view->OnCompareWithSavedScan(); });
    QAction* stopComparing = gauzel->addAction("Stop Co&mparing");
    stopComparing->setObjectName("ID_FILE_STOP_COMPARING");
    connect(stopComparing, &QAction::triggered, view, [view] { view->OnStopComparing(); });
    QAction* whatChanged = gauzel->addAction("&What Changed...");
    whatChanged->setObjectName("ID_FILE_WHAT_CHANGED");
    connect(whatChanged, &QAction::triggered, view, [view] { view->OnWhatChanged(); });
    connect(gauzel, &QMenu::aboutToShow, view,
            [view, stopComparing, whatChanged] { view->OnUpdateComparing(stopComparing, whatChanged); });
    view->OnUpdateComparing(stopComparing, whatChanged);
    gauzel->addSeparator();
    QAction* exit = gauzel->addAction("E&xit");
    exit->setObjectName("ID_APP_EXIT");
    connect(exit, &QAction::triggered, this, &QWidget::close);

    QMenu* rescan = AddPopup("&Rescan");
    QAction* fromRoot = rescan->addAction("From &Root");
    QAction* thisTree = rescan->addAction("This &Tree");
    fromRoot->setObjectName("ID_RESCAN_FROM_ROOT");
    thisTree->setObjectName("ID_RESCAN_THIS_TREE");
    connect(fromRoot, &QAction::triggered, view, [view] { view->OnRescanFromRoot(); });
    connect(thisTree, &QAction::triggered, view, [view] { view->OnRescanThisTree(); });

    QMenu* goTo = AddPopup("&Go To");
    QAction* goToRoot = goTo->addAction("Go To &Root");
    QAction* goUp = goTo->addAction("Go &Up");
    goToRoot->setObjectName("ID_GOTO_ROOT");
    goUp->setObjectName("ID_GOTO_UP");
    connect(goToRoot, &QAction::triggered, view, [view] { view->OnGoToRootCmd(); });
    connect(goUp, &QAction::triggered, view, [view] { view->OnGoUpCmd(); });
    connect(goTo, &QMenu::aboutToShow, view, [view, goToRoot, goUp] {
        view->OnUpdateGoToRoot(goToRoot);
        view->OnUpdateGoUp(goUp);
    });
    view->OnUpdateGoToRoot(goToRoot);
    view->OnUpdateGoUp(goUp);

    QMenu* viewMenu = AddPopup("&View");
    auto* by = new QActionGroup(viewMenu);
    const auto byItem = [&](const char* title, const char* name, Qt::Key key, RowsBy rows) {
        QAction* item = viewMenu->addAction(title);
        item->setObjectName(name);
        item->setShortcut(QKeySequence(Qt::CTRL | key));
        item->setCheckable(true);
        by->addAction(item);
        connect(item, &QAction::triggered, view, [view, rows] { view->SetViewBy(rows); });
        return item;
    };
    QAction* byFolder = byItem("By &Folder", "ID_VIEW_BY_FOLDER", Qt::Key_1, RowsBy::kFolder);
    QAction* byKind = byItem("By &Kind", "ID_VIEW_BY_KIND", Qt::Key_2, RowsBy::kKind);
    QAction* byAge = byItem("By &Age", "ID_VIEW_BY_AGE", Qt::Key_3, RowsBy::kAge);
    viewMenu->addSeparator();
    QAction* countFiles = viewMenu->addAction("&Count Files");
    countFiles->setObjectName("ID_VIEW_COUNT_FILES");
    countFiles->setCheckable(true);
    connect(countFiles, &QAction::triggered, view, [view] { view->OnCountFiles(); });
    viewMenu->addSeparator();
    QAction* largest = viewMenu->addAction("&Largest Files...");
    largest->setObjectName("ID_VIEW_LARGEST_FILES");
    largest->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    connect(largest, &QAction::triggered, view, [view] { view->OnLargestFiles(); });
    connect(viewMenu, &QMenu::aboutToShow, view, [view, byFolder, byKind, byAge, countFiles, largest] {
        view->OnUpdateView(byFolder, byKind, byAge, countFiles);
        largest->setEnabled(view->Stats() != nullptr);
    });
    view->OnUpdateView(byFolder, byKind, byAge, countFiles);

    QMenu* options = AddPopup("&Options");
    QAction* settings = options->addAction("&Settings...");
    settings->setObjectName("ID_OPTIONS_SETTINGS");
    settings->setStatusTip("Change program settings");
    connect(settings, &QAction::triggered, view, [view] { view->OnOptionsSettings(); });
    QAction* diskUsage = options->addAction("Count &Disk Usage");
    QAction* linksOnce = options->addAction("Count Hard &Links Once");
    diskUsage->setObjectName("ID_OPTIONS_DISK_USAGE");
    linksOnce->setObjectName("ID_OPTIONS_LINKS_ONCE");
    diskUsage->setCheckable(true);
    linksOnce->setCheckable(true);
    connect(diskUsage, &QAction::triggered, view, [view] { view->OnCountDiskUsage(); });
    connect(linksOnce, &QAction::triggered, view, [view] { view->OnCountLinksOnce(); });
    connect(options, &QMenu::aboutToShow, view,
            [view, diskUsage, linksOnce] { view->OnUpdateCounting(diskUsage, linksOnce); });
    view->OnUpdateCounting(diskUsage, linksOnce);

    QMenu* help = AddPopup("&Help");
    QAction* topics = help->addAction("&Help Topics");
    topics->setObjectName("ID_HELP_FINDER");
    connect(topics, &QAction::triggered, this, &CMainFrame::OnHelpFinder);
    help->addSeparator();
    QAction* about = help->addAction("&About Gauzel...");
    about->setObjectName("ID_APP_ABOUT");
    connect(about, &QAction::triggered, this, &CMainFrame::aboutRequested);

    // The accelerator table. Only F1 has work to do here (and Ctrl+O and Ctrl+S, the saved scans'
    // items); the other document command (new) and the editing keys have nothing to act on, and
    // never touch a file. They are held without a handler so that none of them reaches the legend or
    // the pie as something else; a text field with the focus still takes its own copy and paste
    // first.
    const QKeySequence keys[] = {
        QKeySequence(Qt::CTRL | Qt::Key_C),       QKeySequence(Qt::CTRL | Qt::Key_N),
        QKeySequence(Qt::CTRL | Qt::Key_V),       QKeySequence(Qt::ALT | Qt::Key_Backspace),
        QKeySequence(Qt::SHIFT | Qt::Key_Delete), QKeySequence(Qt::Key_F6),
        QKeySequence(Qt::SHIFT | Qt::Key_F6),     QKeySequence(Qt::CTRL | Qt::Key_Insert),
        QKeySequence(Qt::SHIFT | Qt::Key_Insert), QKeySequence(Qt::CTRL | Qt::Key_X),
        QKeySequence(Qt::CTRL | Qt::Key_Z)};
    for (const QKeySequence& key : keys) new QShortcut(key, this);
    connect(new QShortcut(QKeySequence(Qt::Key_F1), this), &QShortcut::activated, this,
            &CMainFrame::OnHelpFinder);
    // Backspace goes up, as in a file manager; a text field that has the focus keeps its own.
    connect(new QShortcut(QKeySequence(Qt::Key_Backspace), this), &QShortcut::activated, view,
            [view] { view->OnGoUpCmd(); });
}

void CMainFrame::OnHelpFinder() {
    // Installed beside the program (share/gauzel/gauzel.html), or in the build tree.
    const QDir programDir(QCoreApplication::applicationDirPath());
    for (const QString& candidate :
         {programDir.filePath("../share/gauzel/gauzel.html"), programDir.filePath("gauzel.html")}) {
        if (QFileInfo::exists(candidate)) {
            const QString page = QFileInfo(candidate).canonicalFilePath();
            if (!QDesktopServices::openUrl(QUrl::fromLocalFile(page)))
                m_messages.Show(this, QString("No program is set to show the help page %1.").arg(page));
            return;
        }
    }
    m_messages.Show(this, QString("The help page is not installed (looked for %1).")
                              .arg(programDir.filePath("../share/gauzel/gauzel.html")));
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // A rescan stops with the window; the view joins its thread when the program ends.
    m_pView->StopRescan();
    QMainWindow::closeEvent(event);
}

}  // namespace gauzel

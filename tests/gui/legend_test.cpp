#include <fcntl.h>
#include <gtest/gtest.h>

#include <fstream>

#include <QClipboard>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTimer>
#include <QUrl>

#include "tests/gui/gui_support.h"
#include "tests/support/temp_tree.h"

namespace gauzel {
namespace {

using testing::DrivesOf;
using testing::GoToRootOf;
using testing::GoUpOf;
using testing::LegendOf;
using testing::Rgb;
using testing::ViewOnFakes;

struct Legend : ::testing::Test {
    void SetUp() override {
        fakes.fs.AddFile("C:\\big", "x", 990);
        fakes.fs.AddFile("C:\\mid", "y", 6);
        fakes.fs.AddFile("C:", "z", 2500);  // the loose files, first
        fakes.fs.AddFile("C:\\tiny", "t", 1);
        fakes.Start();
    }
    COdListBox& list() { return *LegendOf(*fakes.view); }
    // Right-clicks row `row` and chooses `choice`; returns the menu's enabled commands.
    QStringList MenuOf(int row, const QString& choice) {
        QStringList commands;
        testing::AnswerNextMenu(commands, choice);
        const QPoint at(60, row * kLegendItemHeight + 10);
        QContextMenuEvent click(QContextMenuEvent::Mouse, at, list().viewport()->mapToGlobal(at));
        QApplication::sendEvent(list().viewport(), &click);
        fakes.Settle();  // "Go Into" rescans
        return commands;
    }
    QRgb Base() { return list().palette().color(QPalette::Base).rgb(); }

    ViewOnFakes fakes;
};

TEST_F(Legend, RowsAreTwentyPixelsWithAnEighteenPixelSwatchInAWindowColouredColumn) {
    // Entries: >files 2500, big 990, mid 6, tiny 1; mid and tiny are the white tail.
    ASSERT_EQ(list().RowCount(), 4);
    EXPECT_EQ(list().visualRect(list().model()->index(1, 0)).top(), 20);
    const QImage rows = fakes.LegendPicture();
    for (int row = 0; row < 4; ++row) {
        const int top = row * 20;
        EXPECT_EQ(rows.pixel(0, top + 10), Base()) << row;
        EXPECT_EQ(rows.pixel(1, top + 10), qRgb(0, 0, 0)) << row;   // outline, left
        EXPECT_EQ(rows.pixel(18, top + 10), qRgb(0, 0, 0)) << row;  // outline, right
        EXPECT_EQ(rows.pixel(10, top + 1), qRgb(0, 0, 0)) << row;   // outline, top
        EXPECT_EQ(rows.pixel(10, top + 18), qRgb(0, 0, 0)) << row;  // outline, bottom
        EXPECT_EQ(rows.pixel(19, top + 10), Base()) << row;
        EXPECT_EQ(rows.pixel(10, top + 10),
                  Rgb(fakes.profile().m_pEntryColors[static_cast<std::size_t>(row)]))
            << row;
    }
    EXPECT_EQ(rows.pixel(10, 3 * 20 + 10), qRgb(255, 255, 255));  // the white tail's square
}

TEST_F(Legend, ASelectedRowIsHighlightedFromTheSwatchColumnOn) {
    list().setCurrentIndex(list().model()->index(1, 0));
    const QImage rows = fakes.LegendPicture();
    const QRgb highlight = list().palette().color(QPalette::Highlight).rgb();
    EXPECT_EQ(rows.pixel(20, 21), highlight);
    EXPECT_EQ(rows.pixel(list().viewport()->width() - 3, 21), highlight);
    EXPECT_EQ(rows.pixel(19, 30), Base());
    EXPECT_EQ(rows.pixel(10, 30), Rgb(Profile::m_crPalette[1]));
    EXPECT_EQ(rows.pixel(20, 1), Base());  // the other rows are not
}

TEST_F(Legend, TheFocusedRowHasAFocusFrameRightOfTheSwatchColumn) {
    QApplication::setActiveWindow(fakes.frame.get());
    list().setFocus();
    list().selectionModel()->setCurrentIndex(list().model()->index(2, 0), QItemSelectionModel::NoUpdate);
    ASSERT_TRUE(QTest::qWaitFor([this] { return list().hasFocus(); }, 1000));
    const QImage rows = fakes.LegendPicture();
    const QRgb text = list().palette().color(QPalette::Text).rgb();
    int framed = 0;
    for (int x = 20; x < 90; ++x) framed += rows.pixel(x, 2 * 20) == text;  // the row's top line
    EXPECT_GT(framed, 10);
    for (int x = 0; x < 20; ++x) EXPECT_NE(rows.pixel(x, 2 * 20), text) << x;
    int elsewhere = 0;
    for (int x = 20; x < 90; ++x) elsewhere += rows.pixel(x, 1 * 20) == text;  // another row: none
    EXPECT_EQ(elsewhere, 0);
}

TEST_F(Legend, SizesFollowTheUnitsAtTheNextDraw) {
    const int row = 0;  // the loose files, 2,500 bytes
    ASSERT_TRUE(fakes.profile().IsFilesEntry(row));
    const QImage bytes = fakes.LegendPicture();
    fakes.ChooseUnits("IDC_KILOBYTES");
    const QImage kilobytes = fakes.LegendPicture();
    // The size column, from x = 101, changes ("2,500" becomes "3K"); the name column does not.
    bool sizeChanged = false, nameChanged = false;
    for (int y = row * 20; y < row * 20 + 20; ++y) {
        for (int x = 101; x < 140; ++x)
            sizeChanged = sizeChanged || bytes.pixel(x, y) != kilobytes.pixel(x, y);
        for (int x = 21; x < 60; ++x) nameChanged = nameChanged || bytes.pixel(x, y) != kilobytes.pixel(x, y);
    }
    EXPECT_TRUE(sizeChanged);
    EXPECT_FALSE(nameChanged);
    EXPECT_EQ(fakes.view->FormatSize(fakes.profile().EntrySize(row)), "3K");
}

TEST_F(Legend, RowsThatOutnumberTheEntriesReportOnceAndReadNothingPastTheEnd) {
    list().SetRowCount(6);
    QApplication::processEvents();  // the list lays out its new rows
    fakes.LegendPicture();
    fakes.LegendPicture();  // one box at a time, not one per paint
    QApplication::processEvents();
    ASSERT_EQ(fakes.messages.shown.size(), 1u);
    EXPECT_EQ(fakes.messages.shown[0],
              "FATAL ERROR\n\nid plain = 4\nid int = 4\ncountname = 4\ncountsize = 4");
}

TEST_F(Legend, AHundredThousandRowsScrollWithoutWalkingTheList) {
    ViewOnFakes many;
    for (int i = 0; i < 100000; ++i)
        many.fs.AddRecord("C:", {"d" + std::to_string(i), kAttributeDirectory, 0});
    many.Start();
    COdListBox& legend = *LegendOf(*many.view);
    ASSERT_EQ(legend.RowCount(), 100001);
    const QModelIndex last = legend.model()->index(100000, 0);
    legend.scrollTo(last);
    const QRect row = legend.visualRect(last);
    ASSERT_TRUE(legend.viewport()->rect().contains(row.center()));
    const QImage bottom = many.LegendPicture();
    EXPECT_EQ(bottom.pixel(1, row.top() + 10), qRgb(0, 0, 0));
}

TEST_F(Legend, ARowTellsItsWholeNameItsSizeAndItsShareWhenAsked) {
    const std::string name(120, 'n');  // drawn, it runs under the size text
    fakes.fs.AddFile("C:\\" + name, "w", 503);
    fakes.Command("ID_RESCAN_THIS_TREE");  // >files 2500, big 990, name 503, ...: 4000 bytes
    auto asked = [this](int row, int role) { return list().model()->index(row, 0).data(role).toString(); };
    const QString files = "Files in this directory\n2,500 bytes\n62.5% of the tree";
    EXPECT_EQ(asked(0, Qt::ToolTipRole), files);
    EXPECT_EQ(asked(2, Qt::ToolTipRole), QString::fromStdString(name) + "\n503 bytes\n12.6% of the tree");
    fakes.ChooseUnits("IDC_KILOBYTES");
    EXPECT_EQ(asked(0, Qt::ToolTipRole), "Files in this directory\n3K (2,500 bytes)\n62.5% of the tree");
    EXPECT_EQ(asked(0, Qt::AccessibleDescriptionRole), asked(0, Qt::ToolTipRole));

    // Fault: a name showed raw: a line break broke the tooltip, U+202E reversed the row, an
    // invisible name was a blank row, two names that are not UTF-8 looked alike, and a real
    // directory named ">files" looked like the loose files.
    const std::pair<std::string, QString> shown[] = {{"nl\nx", "nl\\nx"},
                                                     {"nel\xc2\x85", "nel\\u0085"},
                                                     {"rev\xe2\x80\xae"
                                                      "abc",
                                                      "rev\\u202Eabc"},
                                                     {"\xe2\x80\x8b", "\\u200B"},
                                                     {"bad\xfe", "bad\\xFE"},
                                                     {"bad\xff", "bad\\xFF"},
                                                     {">files", "\\x3Efiles"}};
    for (const auto& [odd, text] : shown) fakes.fs.AddFile("C:\\" + odd, "f", 7);
    fakes.Command("ID_RESCAN_THIS_TREE");
    for (const auto& [odd, text] : shown)
        EXPECT_TRUE(asked(fakes.RowOf(odd), Qt::AccessibleTextRole).startsWith(text + ", "));
}

// Fault: a row whose tree could not be read whole looked complete, and nothing said what it left out.
TEST_F(Legend, AnIncompleteRowIsMarkedAndListsWhatItLeavesOut) {
    fakes.fs.AddDirectory("C:\\big\\locked");
    fakes.fs.Refuse("C:\\big\\locked");
    fakes.Command("ID_RESCAN_THIS_TREE");
    const int big = fakes.RowOf("big");
    EXPECT_EQ(list().model()->index(big, 0).data(Qt::AccessibleTextRole).toString(), "big, 990+");
    QString listed;
    QTimer::singleShot(300, [&listed] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) return;
        listed = dialog->findChild<QPlainTextEdit*>()->toPlainText();
        dialog->reject();
    });
    MenuOf(big, "What Could Not Be Read...");
    EXPECT_EQ(listed, "/c/big/locked: cannot be read (Permission denied)\n");
}

// Catches a saved scan that is not a drive of its own, a move in it that reads the machine, the
// file manager offered for a path that is not on this machine, the scanned path not copied, and
// a bad file that half loads or moves the window.
TEST_F(Legend, ASavedScanIsADriveOfItsOwnAndABadOneChangesNothing) {
    testing::TempTree files;
    {  // kept compressed, as ncdu's manual suggests
        GzipOutput gzip(open(files.PathOf("scan.json.gz").c_str(), O_WRONLY | O_CREAT, 0644));
        std::ostream(&gzip)
            << R"([1,2,{"progname":"ncdu","timestamp":1700000000},[{"name":"/srv"},{"name":"f","asize":5},)"
               R"([{"name":"d"},{"name":"g","asize":7},[{"name":"e"},{"name":"h","asize":3}]]]])";
        ASSERT_TRUE(gzip.Close());
    }
    std::ofstream(files.PathOf("cut.json")) << R"([1,2,{},[{"name":"/"},)";
    ASSERT_TRUE(fakes.view->OpenSavedScan(QString::fromStdString(files.PathOf("scan.json.gz"))));
    fakes.Settle();
    EXPECT_EQ(fakes.profile().m_strPath, "Z:");
    EXPECT_TRUE(DrivesOf(*fakes.view)->currentText().startsWith("[-z-] /srv (saved scan, "))
        << DrivesOf(*fakes.view)->currentText().toStdString();
    fakes.DoubleClickRow(fakes.RowOf("d"));
    EXPECT_EQ(fakes.profile().m_strPath, "Z:\\d");
    EXPECT_EQ(fakes.profile().m_dTreeSize, 10u);
    EXPECT_EQ(MenuOf(fakes.RowOf("e"), "Copy Path"), (QStringList{"Copy Path", "Go Into"}));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "/srv/d/e");
    QTest::mouseClick(GoUpOf(*fakes.view), Qt::LeftButton);
    fakes.Settle();
    EXPECT_EQ(fakes.profile().m_strPath, "Z:");
    fakes.view->SaveScanAs(QString::fromStdString(files.PathOf("again.json")));  // keeps when it was made
    fakes.Settle();
    std::ifstream again(files.PathOf("again.json"));
    EXPECT_NE(std::string(std::istreambuf_iterator<char>(again), {}).find(R"("timestamp":1700000000,)"),
              std::string::npos);
    fakes.drives.mounted = {"[-c-] /"};  // a mount went: the scan is not on any of them
    fakes.view->OnMountsChanged();
    EXPECT_EQ(fakes.profile().m_strPath, "Z:");
    EXPECT_TRUE(fakes.messages.shown.empty());

    const int drives = DrivesOf(*fakes.view)->count();
    EXPECT_FALSE(fakes.view->OpenSavedScan(QString::fromStdString(files.PathOf("cut.json"))));
    EXPECT_EQ(fakes.messages.shown.back().toStdString(),
              files.PathOf("cut.json") +
                  " is not a saved scan: the file ends before the tree does (it is cut short).");
    EXPECT_EQ(fakes.profile().m_strPath, "Z:");
    EXPECT_EQ(DrivesOf(*fakes.view)->count(), drives);

    ViewOnFakes started;  // gauzel FILE
    started.startDirectory = files.PathOf("scan.json.gz");
    started.Start();
    EXPECT_EQ(started.profile().m_strPath, "Z:");
    EXPECT_EQ(started.profile().m_dTreeSize, 15u);
}

// Receives what would have gone to the desktop's file manager.
class OpenedUrls final : public QObject {
    Q_OBJECT
public slots:
    void Open(const QUrl& url) { urls << url; }

public:
    QList<QUrl> urls;
};

TEST_F(Legend, ARowsMenuOpensCopiesOrGoesIntoItsDirectory) {
    OpenedUrls opened;
    QDesktopServices::setUrlHandler("file", &opened, "Open");
    const int big = fakes.RowOf("big");
    EXPECT_EQ(MenuOf(fakes.FilesRow(), "Open in File Manager"),
              (QStringList{"Open in File Manager", "Copy Path"}));
    EXPECT_EQ(opened.urls, QList<QUrl>{QUrl("file:///c")});
    EXPECT_EQ(MenuOf(big, "Copy Path"), (QStringList{"Open in File Manager", "Copy Path", "Go Into"}));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "/c/big");
    // A name that is not UTF-8 keeps its bytes: it travels as a file: URI.
    fakes.fs.AddFile("C:\\bad\xfe", "f", 7);
    fakes.Command("ID_RESCAN_THIS_TREE");
    MenuOf(fakes.RowOf("bad\xfe"), "Copy Path");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "file:///c/bad%FE");
    EXPECT_EQ(QGuiApplication::clipboard()->mimeData()->urls(),
              QList<QUrl>{QUrl::fromEncoded("file:///c/bad%FE")});
    MenuOf(fakes.RowOf("bad\xfe"), "Open in File Manager");
    EXPECT_EQ(opened.urls.back().toEncoded(), "file:///c/bad%FE");
    MenuOf(big, "Go Into");
    EXPECT_EQ(fakes.profile().m_strPath, "C:\\big");
    QDesktopServices::unsetUrlHandler("file");
}

// Catches a comparison not shown in a row or its tooltip, lost on a move or kept where the saved
// scan lacks the directory, a save that does not write what the next comparison reads, a stopped
// save that leaves a file behind, and --compare not taken at the start.
TEST_F(Legend, ASaveComparedAfterAChangeShowsEachRowsChange) {
    testing::TempTree files;
    const QString saved = QString::fromStdString(files.PathOf("base.json.gz"));
    fakes.view->SaveScanAs(saved);
    fakes.Settle();
    EXPECT_TRUE(fakes.messages.shown.empty());
    fakes.fs.AddFile("C:\\big", "grown", 10);
    fakes.fs.AddFile("C:\\new\\deep", "n", 4);
    ASSERT_TRUE(fakes.view->CompareWith(saved));
    fakes.Command("ID_RESCAN_THIS_TREE");
    auto asked = [this](int row, int role) { return list().model()->index(row, 0).data(role).toString(); };
    EXPECT_EQ(asked(fakes.RowOf("big"), Qt::AccessibleTextRole), "big, 1,000  +10");
    EXPECT_EQ(asked(fakes.RowOf("new"), Qt::AccessibleTextRole), "new, 4  new");
    EXPECT_TRUE(
        asked(fakes.RowOf("big"), Qt::ToolTipRole).endsWith("\nIn the saved scan: 990 bytes\nChange: +10"));
    QString listing;
    bool closedByEnter = false;
    const auto whatChanged = [&] {
        QTimer::singleShot(0, [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            listing = dialog->findChild<QPlainTextEdit*>()->toPlainText();
            QTest::keyClick(dialog, Qt::Key_Return);
            closedByEnter = !dialog->isVisible();
            dialog->close();
        });
        fakes.Command("ID_FILE_WHAT_CHANGED");
    };
    whatChanged();
    const QString heading = "C:\\ beside the saved scan " + saved + " (of /c, ";
    EXPECT_TRUE(listing.startsWith(heading)) << listing.toStdString();
    EXPECT_TRUE(listing.endsWith("):\n+10  big\n+4  new  (new)\n")) << listing.toStdString();
    EXPECT_TRUE(closedByEnter);
    fakes.Command("ID_VIEW_BY_KIND");  // what kind grew, in bytes and in files
    EXPECT_TRUE(asked(0, Qt::AccessibleTextRole).endsWith("  +14"))
        << asked(0, Qt::AccessibleTextRole).toStdString();
    fakes.Command("ID_VIEW_COUNT_FILES");
    EXPECT_TRUE(asked(0, Qt::AccessibleTextRole).endsWith("  +2"))
        << asked(0, Qt::AccessibleTextRole).toStdString();
    whatChanged();
    EXPECT_TRUE(listing.endsWith("):\n+2  Other\n")) << listing.toStdString();
    fakes.Command("ID_VIEW_COUNT_FILES");
    fakes.Command("ID_VIEW_BY_FOLDER");

    fakes.DoubleClickRow(fakes.RowOf("new"));  // a directory the saved scan lacks
    ASSERT_NE(fakes.view->Compared(), nullptr);
    EXPECT_FALSE(fakes.view->Compared()->found);
    QTest::mouseClick(testing::GoUpOf(*fakes.view), Qt::LeftButton);
    fakes.Settle();
    EXPECT_EQ(asked(fakes.RowOf("big"), Qt::AccessibleTextRole), "big, 1,000  +10");
    // Above the saved scan's tree nothing is compared, and nothing is new.
    fakes.DoubleClickRow(fakes.RowOf("big"));
    const QString bigSaved = QString::fromStdString(files.PathOf("big.json"));
    fakes.view->SaveScanAs(bigSaved);
    fakes.Settle();
    ASSERT_TRUE(fakes.view->CompareWith(bigSaved));
    QTest::mouseClick(testing::GoUpOf(*fakes.view), Qt::LeftButton);
    fakes.Settle();
    EXPECT_EQ(fakes.view->Compared(), nullptr);
    EXPECT_EQ(asked(fakes.RowOf("big"), Qt::AccessibleTextRole), "big, 1,000");
    whatChanged();
    EXPECT_TRUE(listing.endsWith("): the saved scan does not hold this directory.\n"))
        << listing.toStdString();
    fakes.Command("ID_FILE_STOP_COMPARING");
    EXPECT_EQ(asked(fakes.RowOf("big"), Qt::AccessibleTextRole), "big, 1,000");

    {  // stopped while a read never returns: no file, not even a part of one
        testing::HungRead hung(fakes.fs, "C:\\big");
        QTimer::singleShot(50, [] {
            if (QWidget* progress = QApplication::activeModalWidget())
                QTest::keyClick(progress, Qt::Key_Escape);
        });
        fakes.view->SaveScanAs(QString::fromStdString(files.PathOf("stopped.json")));
        fakes.Settle();
    }
    EXPECT_EQ(QDir(QString::fromStdString(files.Root())).entryList(QDir::Files),
              (QStringList{"base.json.gz", "big.json"}));
    EXPECT_EQ(fakes.messages.shown.back().toStdString(),
              "The scan was not saved to " + files.PathOf("stopped.json") + ": it was stopped.");

    ViewOnFakes started;  // gauzel --compare OLD
    started.fs.AddFile("C:\\big", "x", 990);
    started.startComparison = saved;
    started.Start();
    ASSERT_NE(started.view->Compared(), nullptr);
    EXPECT_EQ(TreeChangeText(started.profile(), *started.view->Compared(), Units::Bytes).substr(0, 13),
              " (-2,507 sinc");
}

// Fault: Save Scan As listed a directory of more files than a rescan keeps a second time on the
// rescan's own thread: on a share that stopped answering there, Esc waited for the share.
TEST_F(Legend, SaveScanAsStopsAtOnceWhileASecondListingNeverReturnsAndLeavesNoFile) {
    testing::TempTree files;
    for (int i = 0; i <= 4096; ++i) fakes.fs.AddFile("C:\\many", "f" + std::to_string(i), 1);
    testing::HungRead second(fakes.fs, "C:\\many", testing::HungRead::What::kListing, 1);
    fakes.view->SaveScanAs(QString::fromStdString(files.PathOf("scan.json")));
    ASSERT_TRUE(second.Hangs());
    QElapsedTimer took;
    took.start();
    QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([this] { return !fakes.view->IsScanning(); }, 500));
    EXPECT_LT(took.elapsed(), 500);
    EXPECT_EQ(second.Waiting(), 1);  // the listing still waits, on the pool
    fakes.Settle();
    EXPECT_EQ(QDir(QString::fromStdString(files.Root())).entryList(QDir::Files), QStringList());
}

// Fault: a save that filled the disk left the old saved scan as it was only by luck of the order
// of its steps, and a part file beside it while the message was up.
TEST_F(Legend, ASaveThatFillsTheDiskLeavesTheOldFileAndNothingBesideIt) {
    testing::SmallDisk disk(64 * 1024);
    if (!disk.Mounted()) GTEST_SKIP() << "mounting a tmpfs needs root";
    const QString file = QString::fromStdString(disk.PathOf("scan.json"));
    fakes.view->SaveScanAs(file);
    fakes.Settle();
    ASSERT_TRUE(fakes.messages.shown.empty());
    std::ifstream before(disk.PathOf("scan.json"));
    const std::string old(std::istreambuf_iterator<char>(before), {});
    for (int i = 0; i < 1000; ++i) fakes.fs.AddFile("C:\\many", std::string(80, 'f') + std::to_string(i), 1);
    fakes.view->SaveScanAs(file);
    fakes.Settle();
    EXPECT_EQ(fakes.messages.shown.back(),
              "The scan was not saved to " + file + ": No space left on device.");
    std::ifstream after(disk.PathOf("scan.json"));
    EXPECT_TRUE(std::string(std::istreambuf_iterator<char>(after), {}) == old);
    EXPECT_EQ(disk.Names(), "scan.json");
}

}  // namespace
}  // namespace gauzel

#include "legend_test.moc"

#include <gtest/gtest.h>

#include <tuple>

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <cmath>
#include <fstream>
#include <future>
#include <thread>

#include "core/display/pie.h"
#include "core/display/summary.h"
#include "tests/gui/gui_support.h"
#include "tests/support/temp_tree.h"
#include "view/pie_painter.h"
#include "view/summing_dlg.h"

namespace gauzel {
namespace {

using testing::DrivesOf;
using testing::GoToRootOf;
using testing::GoUpOf;
using testing::LegendOf;
using testing::Rgb;
using testing::ViewOnFakes;

TEST(StartUp, FirstPaintOnlyStartsTheTimerWhoseTickLaysOutAndScansOnce) {
    ViewOnFakes fakes;
    fakes.fs.AddFile("C:\\a", "x", 10);
    CGauzelView view(
        ViewServices{fakes.fs, fakes.settings, fakes.drives, fakes.messages, LinuxSavedFiles(), {}, {}});
    view.resize(700, 500);
    QApplication::processEvents();
    EXPECT_TRUE(QAbstractEventDispatcher::instance()->registeredTimers(&view).isEmpty());  // none to tick
    EXPECT_FALSE(view.IsLaidOut());
    view.grab();  // a first paint
    EXPECT_FALSE(view.IsLaidOut());
    EXPECT_TRUE(fakes.fs.listings.empty());
    EXPECT_FALSE(GoUpOf(view)->isEnabled());

    view.resize(720, 520);  // a size change before the tick changes nothing
    EXPECT_EQ(view.Layout().m_rectPie, Rect{});

    ASSERT_TRUE(QTest::qWaitFor([&view] { return view.IsLaidOut(); }, 2000));
    EXPECT_TRUE(QAbstractEventDispatcher::instance()->registeredTimers(&view).isEmpty());  // no second tick
    // The rescan ends (slow under ThreadSanitizer, where starting the readers takes a while).
    ASSERT_TRUE(QTest::qWaitFor([&view] { return !view.IsScanning(); }, 5000));
    EXPECT_EQ(fakes.fs.listings["C:"], 1);
    EXPECT_EQ(DrivesOf(view)->currentText(), "[-c-] /");  // the current directory's drive, in a sorted list
    EXPECT_EQ(DrivesOf(view)->itemText(0), "[-c-] /");
    EXPECT_EQ(view.GetProfile().m_strPath, "C:");
    EXPECT_EQ(LegendOf(view)->RowCount(), 2);
    EXPECT_FALSE(GoUpOf(view)->isEnabled());
    EXPECT_FALSE(GoToRootOf(view)->isEnabled());
}

TEST(StartUp, ACurrentDirectoryOnNoDriveLeavesNoSelectionAndProfilesTheLastDrive) {
    ViewOnFakes fakes;
    fakes.drives.current = "\\\\server\\share";
    fakes.fs.AddDirectory("D:");
    CGauzelView& view = fakes.Start();
    EXPECT_EQ(DrivesOf(view)->currentIndex(), -1);
    EXPECT_EQ(view.GetProfile().m_strPath, "D:");
}

TEST(StartUp, ACommandLineDirectoryIsTheFirstProfileOnItsOwnDrive) {
    ViewOnFakes fakes;
    fakes.drives.entries = {"[-c-] /", "[-d-] /data/a/mount/point/with/a/name/longer/than/the/box/shows"};
    fakes.fs.AddFile("D:\\photos\\2024", "p", 10);
    fakes.drives.resolvable["photos/2024"] = "D:\\photos\\2024";
    fakes.startDirectory = "photos/2024";
    CGauzelView& view = fakes.Start();
    EXPECT_EQ(view.GetProfile().m_strPath, "D:\\photos\\2024");
    EXPECT_EQ(DrivesOf(view)->currentIndex(), 1);
    EXPECT_EQ(DrivesOf(view)->lineEdit()->cursorPosition(), 0);  // the box shows "[-d-] /data/a/..."
    EXPECT_TRUE(GoUpOf(view)->isEnabled());
    EXPECT_TRUE(GoToRootOf(view)->isEnabled());
    EXPECT_EQ(fakes.Listings("C:"), 0);
    EXPECT_TRUE(fakes.messages.shown.empty());
}

// Fault: a first rescan stopped (its read never returned) left the window with no place at all,
// or showed the drive as if it were empty.
TEST(StartUp, AStoppedFirstRescanShowsItsDriveRootNotSummed) {
    ViewOnFakes fakes;
    fakes.fs.AddFile("D:\\photos\\2024", "p", 10);
    fakes.drives.resolvable["photos/2024"] = "D:\\photos\\2024";
    fakes.startDirectory = "photos/2024";
    testing::HungRead hung(fakes.fs, "D:\\photos\\2024");
    // Esc in the progress window once the first rescan shows it.
    QTimer esc;
    QObject::connect(&esc, &QTimer::timeout, [&esc] {
        if (QWidget* progress = QApplication::activeModalWidget()) {
            esc.stop();
            QTest::keyClick(progress, Qt::Key_Escape);
        }
    });
    esc.start(20);
    CGauzelView& view = fakes.Start();
    EXPECT_EQ(view.GetProfile().m_strPath, "D:");
    EXPECT_TRUE(view.GetProfile().m_bStopped);
    EXPECT_EQ(MakeSummaryLines(view.GetProfile(), Units::Bytes).tree, "Size of tree: not summed (stopped)");
    hung.Release();
    fakes.Command("ID_RESCAN_THIS_TREE");  // the root, summed now
    EXPECT_FALSE(view.GetProfile().m_bStopped);
    EXPECT_EQ(view.GetProfile().m_dTreeSize, 10);
}

TEST(StartUp, ACommandLineDirectoryThatCannotBeProfiledIsToldThenTheStartIsAsWithoutOne) {
    ViewOnFakes fakes;
    fakes.fs.AddFile("C:\\a", "x", 10);
    fakes.startDirectory = "nowhere";
    CGauzelView& view = fakes.Start();
    EXPECT_EQ(fakes.messages.shown,
              (std::vector<QString>{"nowhere cannot be profiled: No such file or directory."}));
    EXPECT_EQ(view.GetProfile().m_strPath, "C:");
    EXPECT_EQ(DrivesOf(view)->currentText(), "[-c-] /");
}

TEST(StartUp, NoDrivesAtAllShowsNothingAndCommandsAreIgnored) {
    ViewOnFakes fakes;
    fakes.drives.entries.clear();
    CGauzelView& view = fakes.Start();
    EXPECT_EQ(view.GetProfile().m_strPath, "");
    EXPECT_FALSE(fakes.MenuItem("ID_GOTO_ROOT")->isEnabled());
    fakes.Command("ID_RESCAN_THIS_TREE");
    view.OnDblClkLegend();
    EXPECT_TRUE(fakes.fs.listings.empty());
}

TEST(Layout, TheListBoxHoldsWholeRowsAndThePieFollowsIt) {
    ViewOnFakes fakes;
    CGauzelView& view = fakes.Start();
    const QRect list = LegendOf(view)->geometry();
    const ViewLayout& layout = view.Layout();
    EXPECT_EQ(list.height() % 20, 0);
    EXPECT_EQ(layout.m_nMargin, list.left());
    EXPECT_EQ(layout.m_nHeaderSpace, 60);

    view.resize(800, 600);
    QApplication::processEvents();
    EXPECT_EQ(LegendOf(view)->geometry().bottom() + 1, layout.m_rectList.bottom);
    EXPECT_LE(layout.m_rectList.bottom, 600 - 60);
    EXPECT_EQ(LegendOf(view)->height() % 20, 0);
    const int side = std::min(layout.m_rectList.bottom - layout.m_rectPie.top,
                              800 - 2 * layout.m_nMargin - layout.m_rectPie.left) |
                     1;
    EXPECT_EQ(layout.m_rectPie.Width(), side);
    EXPECT_EQ(layout.m_rectPie.Height(), side);
    EXPECT_EQ(layout.m_rectPie.left, list.width() + 3 * list.left());
}

// Fault: a size wider than the legend's size column was cut: 1,234,567,890,123 read 1,234,567,890.
TEST(Layout, TheLegendWidensForASizeThatDoesNotFitAndOnlyThen) {
    ViewOnFakes fakes;
    fakes.fs.AddFile("C:\\small", "f", 7);
    CGauzelView& view = fakes.Start();
    view.resize(800, 600);
    QApplication::processEvents();
    const ViewLayout before = view.Layout();
    fakes.fs.AddFile("C:\\big", "f", 1234567890123);
    fakes.Command("ID_RESCAN_THIS_TREE");
    const ViewLayout& after = view.Layout();
    EXPECT_GT(after.m_nListWidened, 0);
    EXPECT_LE(LegendOf(view)->SizeTextShortfall(), 0);  // drawn whole
    EXPECT_EQ(after.m_rectPie.left - after.m_rectList.right, before.m_rectPie.left - before.m_rectList.right);
    fakes.ChooseUnits("IDC_MEGABYTES");  // 1,234,568M fits the template again
    EXPECT_EQ(after.m_rectList, before.m_rectList);
    EXPECT_EQ(after.m_rectPie, before.m_rectPie);
}

// A point at `degrees` and `fraction` of the radius from the pie's drawing centre.
QPoint PiePoint(const CGauzelView& view, double degrees, double fraction) {
    const Rect pie = view.Layout().m_rectPie;
    const double radius = pie.Width() / 2.0 * fraction;
    const double radians = degrees * kPi / 180.0;
    return QPoint(pie.left + pie.Width() / 2 + static_cast<int>(std::lround(radius * std::cos(radians))),
                  pie.top + pie.Height() / 2 - static_cast<int>(std::lround(radius * std::sin(radians))));
}

TEST(Pie, TwoEqualEntriesAreBlueAboveAndGreenBelow) {
    ViewOnFakes fakes;
    fakes.fs.AddFile("C:\\a", "x", 10);
    fakes.fs.AddFile("C:\\b", "y", 10);
    CGauzelView& view = fakes.Start();
    const QImage picture = fakes.Picture();
    for (double degrees : {30.0, 90.0, 150.0})
        EXPECT_EQ(picture.pixel(PiePoint(view, degrees, 0.7)), Rgb(Profile::m_crPalette[0])) << degrees;
    for (double degrees : {210.0, 270.0, 330.0})
        EXPECT_EQ(picture.pixel(PiePoint(view, degrees, 0.7)), Rgb(Profile::m_crPalette[1])) << degrees;
    EXPECT_EQ(picture.pixel(PiePoint(view, 45.0, 1.0)), qRgb(0, 0, 0));  // the outline
    EXPECT_EQ(view.SliceAngles(), (std::vector<double>{180, 360}));
}

TEST(Pie, TheWhiteTailStaysBackgroundAndOneEntryIsAWholeDisc) {
    ViewOnFakes fakes;
    fakes.fs.AddFile("C:\\a", "x", 990);
    fakes.fs.AddFile("C:\\b", "y", 6);
    fakes.fs.AddFile("C:", "z", 4);
    CGauzelView& view = fakes.Start();
    const QImage picture = fakes.Picture();
    const QRgb background = view.palette().color(QPalette::Window).rgb();
    EXPECT_EQ(picture.pixel(PiePoint(view, 359.4, 0.9)), background);
    EXPECT_EQ(picture.pixel(PiePoint(view, 357.5, 0.9)), Rgb(Profile::m_crPalette[1]));
    EXPECT_EQ(view.SliceAngles().size(), 2u);
    const int roots = fakes.Listings("C:");
    QTest::mouseDClick(&view, Qt::LeftButton, {}, PiePoint(view, 359.4, 0.9));  // the tail: nothing
    QApplication::processEvents();
    EXPECT_EQ(fakes.Listings("C:"), roots);
    EXPECT_TRUE(fakes.messages.shown.empty());

    ViewOnFakes single;
    single.fs.AddFile("C:", "only", 500);
    CGauzelView& disc = single.Start();
    const QImage whole = single.Picture();
    for (double degrees : {0.0, 1.0, 90.0, 180.0, 270.0, 359.0})
        EXPECT_EQ(whole.pixel(PiePoint(disc, degrees, 0.8)), Rgb(Profile::m_crPalette[0])) << degrees;
}

// Fault: leaving out the slices that a later whole ellipse covers changes a pixel of the pie.
TEST(Pie, LeavingOutCoveredSlicesDrawsTheSamePixels) {
    const auto profileOf = [](const std::vector<ByteCount>& sizes) {
        auto profile = std::make_unique<Profile>();
        for (ByteCount size : sizes) profile->AddBytes(profile->AddEntry("e"), size);
        profile->Finish();
        return profile;
    };
    std::vector<ByteCount> equalTiny(3000, 7);  // thousands of slices too thin to have two ends
    std::vector<ByteCount> thinAfterColoured{400000, 200000, 90000};
    thinAfterColoured.resize(2003, 100);
    for (const std::vector<ByteCount>& sizes : {equalTiny, thinAfterColoured}) {
        const auto profile = profileOf(sizes);
        for (const Rect square : {Rect{3, 5, 303, 305}, Rect{0, 0, 41, 41}}) {
            const std::vector<PieSlice> slices = PlacePieSlices(ComputePieWedges(*profile), square);
            ASSERT_TRUE(std::any_of(slices.begin() + 1, slices.end(),
                                    [](const PieSlice& s) { return s.start == s.end; }));
            QImage straight(330, 330, QImage::Format_RGB32), fast(330, 330, QImage::Format_RGB32);
            straight.fill(Qt::white);
            fast.fill(Qt::white);
            QPainter one(&straight), other(&fast);
            DrawPieSlices(one, square, slices, false);
            DrawPieSlices(other, square, slices, true);
            EXPECT_TRUE(straight == fast) << sizes.size() << " entries, square " << square.Width();
        }
    }
}

TEST(Summary, ThreeLinesAtTheBottomInTheViewFont) {
    ViewOnFakes fakes;
    fakes.fs.AddFile("C:", "z", 1234567);
    CGauzelView& view = fakes.Start();
    const QImage picture = fakes.Picture();
    const QRgb background = view.palette().color(QPalette::Window).rgb();
    const int h = view.fontMetrics().height();
    auto inkOnRow = [&](int y) {
        for (int x = view.Layout().m_nMargin; x < view.Layout().m_nMargin + 60; ++x)
            if (picture.pixel(x, y) != background) return true;
        return false;
    };
    // Each line's text stands just above its baseline.
    for (int baseline : {500 - h / 2, 500 - h / 2 - h, 500 - h / 2 - 2 * h}) {
        bool ink = false;
        for (int y = baseline - h / 2; y < baseline; ++y) ink = ink || inkOnRow(y);
        EXPECT_TRUE(ink) << baseline;
    }
}

class Navigation : public ::testing::Test {
protected:
    void SetUp() override {
        fakes.fs.AddFile("C:\\WINDOWS\\SYSTEM", "s", 100);
        fakes.fs.AddFile("C:\\WINDOWS", "w", 50);
        fakes.fs.AddFile("C:\\>files", "odd", 20);
        fakes.fs.AddFile("C:", "loose", 5);
        fakes.fs.AddFile("D:\\data", "d", 7);
        view = &fakes.Start();
    }
    // The path, the buttons, and the menu items as the menu shows them once the rescan is done.
    void ExpectAt(const std::string& path, bool below) {
        fakes.Settle();
        EXPECT_EQ(view->GetProfile().m_strPath, path);
        EXPECT_EQ(view->GetProfile().m_bBelowRoot, below);
        EXPECT_EQ(GoUpOf(*view)->isEnabled(), below);
        EXPECT_EQ(GoToRootOf(*view)->isEnabled(), below);
        EXPECT_EQ(fakes.MenuItem("ID_GOTO_UP")->isEnabled(), below);
        EXPECT_EQ(fakes.MenuItem("ID_GOTO_ROOT")->isEnabled(), below);
    }

    ViewOnFakes fakes;
    CGauzelView* view = nullptr;
};

TEST_F(Navigation, DescendGoUpAndGoToRootThroughTheirControls) {
    ExpectAt("C:", false);
    fakes.DoubleClickRow(fakes.RowOf("WINDOWS"));
    ExpectAt("C:\\WINDOWS", true);
    fakes.DoubleClickRow(fakes.RowOf("SYSTEM"));
    ExpectAt("C:\\WINDOWS\\SYSTEM", true);
    EXPECT_EQ(view->GetProfile().m_dTreeSize, 100);

    QTest::mouseClick(GoUpOf(*view), Qt::LeftButton);
    ExpectAt("C:\\WINDOWS", true);
    QTest::mouseClick(GoUpOf(*view), Qt::LeftButton);
    ExpectAt("C:", false);

    fakes.DoubleClickRow(fakes.RowOf("WINDOWS"));
    fakes.DoubleClickRow(fakes.RowOf("SYSTEM"));
    QTest::mouseClick(GoToRootOf(*view), Qt::LeftButton);
    ExpectAt("C:", false);
}

// Fault: a directory that could not be listed was shown as an empty one ("0 bytes"), whether
// entered or reached by Go Up from below it (a directory that may only be passed through).
TEST_F(Navigation, AnUnreadableDirectoryIsToldAndTheWindowStaysWhereItWas) {
    fakes.DoubleClickRow(fakes.RowOf("WINDOWS"));
    fakes.DoubleClickRow(fakes.RowOf("SYSTEM"));
    fakes.fs.Refuse("C:\\WINDOWS");
    QTest::mouseClick(GoUpOf(*view), Qt::LeftButton);
    ExpectAt("C:", false);  // the nearest that can be listed
    const std::vector<std::string> names = view->GetProfile().m_listNames;
    fakes.DoubleClickRow(fakes.RowOf("WINDOWS"));
    ExpectAt("C:", false);
    EXPECT_EQ(view->GetProfile().m_listNames, names);
    const QString told = "C:\\WINDOWS cannot be read: Permission denied.";
    EXPECT_EQ(fakes.messages.shown, (std::vector<QString>{told, told}));
}

TEST_F(Navigation, RescansKeepOrResetThePlace) {
    fakes.DoubleClickRow(fakes.RowOf("WINDOWS"));
    const int before = fakes.Listings("C:\\WINDOWS");
    fakes.Command("ID_RESCAN_THIS_TREE");
    ExpectAt("C:\\WINDOWS", true);
    EXPECT_EQ(fakes.Listings("C:\\WINDOWS"), before + 1);
    fakes.Command("ID_RESCAN_FROM_ROOT");
    ExpectAt("C:", false);
    const int roots = fakes.Listings("C:");
    fakes.Command("ID_RESCAN_FROM_ROOT");  // at the root: a fresh scan of the root
    EXPECT_EQ(fakes.Listings("C:"), roots + 1);
}

TEST_F(Navigation, ChoosingADriveGoesToItsRoot) {
    fakes.DoubleClickRow(fakes.RowOf("WINDOWS"));
    DrivesOf(*view)->setCurrentIndex(1);
    emit DrivesOf(*view)->activated(1);
    ExpectAt("D:", false);
    EXPECT_EQ(view->GetProfile().m_dTreeSize, 7);
}

// Fault: the drive list never changed after start, and a drive unmounted while shown left its
// empty mount point profiled under its letter.
TEST_F(Navigation, TheDriveListFollowsTheMountTable) {
    DrivesOf(*view)->setCurrentIndex(1);
    emit DrivesOf(*view)->activated(1);
    ExpectAt("D:", false);
    fakes.drives.resolvable["/d"] = "D:";
    fakes.drives.mounted = {"[-c-] /", "[-d-] /data", "[-e-] /new"};
    view->OnMountsChanged();
    EXPECT_EQ(DrivesOf(*view)->count(), 3);
    EXPECT_EQ(DrivesOf(*view)->currentText(), "[-d-] /data");
    fakes.drives.mounted = {"[-c-] /", "[-e-] /new"};
    view->OnMountsChanged();
    fakes.Settle();
    EXPECT_EQ(
        fakes.messages.shown,
        std::vector<QString>{"Drive D: is no longer there; Gauzel goes to the current directory's drive."});
    EXPECT_EQ(DrivesOf(*view)->currentText(), "[-c-] /");
    ExpectAt("C:", false);
}

// Enter in the drive box goes where the folder argument would; anything else changes nothing and
// shows the drive again.
TEST_F(Navigation, EnterInTheDriveBoxGoesToWhatIsTyped) {
    const testing::ScopedEnv home("HOME", "/h");
    fakes.drives.resolvable = {{"/w", "C:\\WINDOWS"}, {"/h/d", "D:\\data"}};
    const std::tuple<QString, std::string, std::vector<QString>> rows[] = {
        {"d:", "D:", {}},
        {"c:\\WINDOWS\\", "C:\\WINDOWS", {}},
        {"/w", "C:\\WINDOWS", {}},
        {"~/d", "D:\\data", {}},
        {"/nowhere", "D:\\data", {"/nowhere cannot be profiled: No such file or directory."}},
        {"Q:", "D:\\data", {"There is no drive Q:."}},
        {"q:\\x", "D:\\data", {"There is no drive Q:."}},
        {"gibberish", "D:\\data", {}},
    };
    for (const auto& [typed, path, told] : rows) {
        fakes.messages.shown.clear();
        DrivesOf(*view)->lineEdit()->clear();
        QTest::keyClicks(DrivesOf(*view)->lineEdit(), typed);
        QTest::keyClick(DrivesOf(*view)->lineEdit(), Qt::Key_Return);
        fakes.Settle();
        EXPECT_EQ(view->GetProfile().m_strPath, path) << typed.toStdString();
        EXPECT_EQ(DrivesOf(*view)->currentText(), path[0] == 'C' ? "[-c-] /" : "[-d-] /data")
            << typed.toStdString();
        EXPECT_EQ(fakes.messages.shown, told) << typed.toStdString();
    }
}

TEST_F(Navigation, TheLooseFilesRowShowsAMessageAndARealDirectoryNamedLikeItIsEntered) {
    const int roots = fakes.Listings("C:");
    fakes.DoubleClickRow(fakes.FilesRow());
    ASSERT_EQ(fakes.messages.shown.size(), 1u);
    EXPECT_EQ(fakes.messages.shown[0], "Use Windows File Manager for file sizes");
    EXPECT_EQ(fakes.Listings("C:"), roots);  // no rescan
    ExpectAt("C:", false);

    fakes.DoubleClickRow(fakes.RowOf(">files"));
    ExpectAt("C:\\>files", true);
    EXPECT_EQ(view->GetProfile().m_dTreeSize, 20);
}

TEST_F(Navigation, EnterOnALegendRowDescendsLikeADoubleClick) {
    LegendOf(*view)->setFocus();
    LegendOf(*view)->setCurrentIndex(LegendOf(*view)->model()->index(fakes.RowOf("WINDOWS"), 0));
    QTest::keyClick(LegendOf(*view), Qt::Key_Return);
    QApplication::processEvents();
    ExpectAt("C:\\WINDOWS", true);
}

TEST_F(Navigation, ProgressShowsEveryDirectoryInScanOrder) {
    QSignalSpy statuses(view, &CGauzelView::summingStatus);
    fakes.DoubleClickRow(fakes.RowOf("WINDOWS"));
    QStringList seen;
    for (const QList<QVariant>& status : statuses) seen << status.at(0).toString();
    EXPECT_EQ(seen, (QStringList{"starting...", "C:\\WINDOWS\\SYSTEM"}));
}

// Fault: a command queued behind the progress window's repaint ran in the middle of a rescan
// and moved the path under it.
TEST_F(Navigation, ACommandQueuedDuringARescanChangesNothing) {
    fakes.DoubleClickRow(fakes.RowOf("WINDOWS"));
    const Profile& profile = view->GetProfile();
    const std::vector<std::string> names = profile.m_listNames;
    const auto statusesOf = [this](const std::function<void()>& act) {
        QSignalSpy spy(view, &CGauzelView::summingStatus);
        act();
        QStringList seen;
        for (const QList<QVariant>& status : spy) seen << status.at(0).toString();
        return seen;
    };
    const QStringList quiet = statusesOf([this] { fakes.Command("ID_RESCAN_THIS_TREE"); });

    // Posted from a reader while the rescan runs; the rescan lets queued calls through: the read
    // goes on once the window has taken them (they run in order, and a third says so).
    fakes.fs.onList = [this](const std::string& path) {
        if (path != "C:\\WINDOWS\\SYSTEM") return;
        QMetaObject::invokeMethod(
            view, [this] { view->OnGoUp(); }, Qt::QueuedConnection);
        QMetaObject::invokeMethod(
            view, [this] { view->OnGoToRoot(); }, Qt::QueuedConnection);
        auto taken = std::make_shared<std::promise<void>>();
        QMetaObject::invokeMethod(
            view, [taken] { taken->set_value(); }, Qt::QueuedConnection);
        EXPECT_EQ(taken->get_future().wait_for(std::chrono::seconds(5)), std::future_status::ready);
    };
    EXPECT_EQ(statusesOf([this] {
                  fakes.Command("ID_RESCAN_THIS_TREE");
                  QApplication::processEvents();
              }),
              quiet);
    ExpectAt("C:\\WINDOWS", true);
    EXPECT_EQ(profile.m_listNames, names);
    EXPECT_EQ(profile.m_dTreeSize, 150);
}

// Fault: a read that never returns (a share that stopped answering) held the window for good;
// a stopped rescan left a half-built profile, or the new path, behind.
TEST_F(Navigation, EscStopsARescanWhoseReadNeverReturnsAndNothingChanges) {
    fakes.DoubleClickRow(fakes.RowOf("WINDOWS"));
    const std::vector<std::string> names = view->GetProfile().m_listNames;
    fakes.fs.AddDirectory("C:\\WINDOWS\\SYSTEM\\hung");
    // The profiled directory's own listing, and a directory of the walk.
    for (const char* hung : {"C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM\\hung"}) {
        testing::HungRead read(fakes.fs, hung);
        // Once the read hangs (or after 3 s, which the checks below then tell), the window shows
        // the profile it had, whole, and paints it; then Esc in the progress window, which has the
        // keyboard while the rescan runs.
        bool shownWhole = false;
        QRgb pieCentre = 0;
        QElapsedTimer since;
        since.start();
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, view, [&] {
            if (read.Waiting() == 0 && since.elapsed() < 3000) return;
            poll.stop();
            shownWhole = view->IsScanning() && view->GetProfile().m_listNames == names &&
                         LegendOf(*view)->model()->rowCount() == static_cast<int>(names.size());
            const Point centre = view->Layout().m_ptPieCenter;
            pieCentre = fakes.Picture().pixel(centre.x, centre.y);
            if (QWidget* progress = QApplication::activeModalWidget())
                QTest::keyClick(progress, Qt::Key_Escape);
        });
        poll.start();
        QElapsedTimer took;
        took.start();
        fakes.Command("ID_RESCAN_THIS_TREE");
        EXPECT_LT(took.elapsed(), 5000) << hung;  // it did not wait for the read
        EXPECT_TRUE(shownWhole) << hung;
        EXPECT_NE(pieCentre, view->palette().color(QPalette::Window).rgb()) << hung;
        EXPECT_FALSE(view->IsScanning());
        EXPECT_EQ(fakes.frame->findChild<QDialog*>("IDD_SUMMING"), nullptr);
        ExpectAt("C:\\WINDOWS", true);
        EXPECT_EQ(view->GetProfile().m_listNames, names);
        // The reader still waits: it is let go, and the fakes stay until it has finished.
        EXPECT_EQ(read.Waiting(), 1) << hung;
        read.Release();
    }
    const int listed = fakes.fs.listings["C:\\WINDOWS\\SYSTEM\\hung"];
    fakes.Command("ID_RESCAN_THIS_TREE");  // and the next rescan runs as ever
    EXPECT_EQ(fakes.fs.listings["C:\\WINDOWS\\SYSTEM\\hung"], listed + 1);
}

// Closing the window while a read never returns ends the program at once: the window goes, and
// the view, destroyed as the program ends, joins the rescan's thread without waiting for the read.
TEST_F(Navigation, ClosingTheWindowDuringARescanWhoseReadNeverReturnsEndsAtOnce) {
    testing::HungRead read(fakes.fs, "C:\\WINDOWS\\SYSTEM");
    fakes.MenuItem("ID_RESCAN_THIS_TREE")->trigger();
    ASSERT_TRUE(read.Hangs());
    fakes.frame->close();
    EXPECT_FALSE(fakes.frame->isVisible());
    // Should the view wait for the read after all, the read gives up after a while: a failure,
    // not a hang.
    QElapsedTimer took;
    took.start();
    fakes.frame.reset();
    EXPECT_LT(took.elapsed(), 2000);
    EXPECT_EQ(read.Waiting(), 1);  // the read still waits: it is let go, and the fakes stay until it ends
    read.Release();
}

// Faults: a read left behind by a stopped rescan went on through the window's own drives: a race
// with a saved scan opened meanwhile (the drives changed), and a use after free once the window
// had closed. It reads the drives as they were when its rescan began, which it owns.
TEST_F(Navigation, AReadLeftBehindReadsItsOwnDrivesAfterTheyChangedAndTheWindowWent) {
    testing::TempTree files;
    std::ofstream(files.PathOf("scan.json")) << R"([1,2,{},[{"name":"/srv"},{"name":"f","asize":5}]])";
    const int listed = fakes.fs.listings["C:"];
    testing::HungRead volume(fakes.fs, "C:", testing::HungRead::What::kVolume);
    fakes.MenuItem("ID_RESCAN_THIS_TREE")->trigger();
    ASSERT_TRUE(volume.Hangs());
    QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Escape);
    fakes.Settle();
    ExpectAt("C:", false);
    ASSERT_TRUE(view->OpenSavedScan(QString::fromStdString(files.PathOf("scan.json"))));
    fakes.Settle();
    EXPECT_EQ(view->GetProfile().m_strPath, "Z:");
    fakes.frame.reset();
    volume.Release();  // the read goes on: the profiled directory's listing, from the drives it had
    fakes.pool.WaitIdle();
    EXPECT_EQ(fakes.fs.listings["C:"], listed + 1);
}

// Faults: the progress window cut a long path at the right, hiding the directory being read;
// its close box closed it while the rescan went on.
TEST(Summing, ALongPathKeepsItsEndAndTheCloseBoxStops) {
    int stops = 0;
    CSummingDlg dialog(nullptr, [&] { ++stops; });
    dialog.Create();
    const QString path = "C:\\" + QString("very long directory name\\").repeated(20) + "the end";
    QTest::qWait(40);  // values come to the screen at most 30 times a second
    dialog.SetStatus(path);
    const QString shown = dialog.findChild<QLabel*>("IDC_STATUS")->text();
    EXPECT_TRUE(shown.endsWith("the end")) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QChar(0x2026)));
    dialog.close();
    EXPECT_EQ(stops, 1);
    EXPECT_TRUE(dialog.isVisible());  // the rescan closes it when it has stopped
}

TEST_F(Navigation, TheContextMenuIsGreyedAtTheRootAndWorksBelowIt) {
    auto openMenu = [this](const char* choose) {
        QStringList enabled;
        testing::AnswerNextMenu(enabled, choose);
        QTest::mouseClick(view, Qt::RightButton, {}, QPoint(view->width() - 20, view->height() / 2));
        return enabled;
    };
    EXPECT_TRUE(openMenu("").isEmpty());
    fakes.DoubleClickRow(fakes.RowOf("WINDOWS"));
    fakes.DoubleClickRow(fakes.RowOf("SYSTEM"));
    EXPECT_EQ(openMenu("Go Up"), (QStringList{"Go To Root", "Go Up"}));
    ExpectAt("C:\\WINDOWS", true);
}

TEST_F(Navigation, DoubleClickOnTheLooseFilesSliceShowsItsOwnMessage) {
    // Entries: WINDOWS 150, >files (directory) 20, loose files 5: slices 0, 1, 2.
    ASSERT_EQ(view->SliceAngles().size(), 3u);
    const Rect pie = view->Layout().m_rectPie;
    const QPoint centre(view->Layout().m_ptPieCenter.x, view->Layout().m_ptPieCenter.y);
    const double middle = (view->SliceAngles()[1] + view->SliceAngles()[2]) / 2 * kPi / 180.0;
    const double reach = pie.Width() / 4.0;
    const QPoint inFiles(centre.x() + static_cast<int>(reach * std::cos(middle)),
                         centre.y() - static_cast<int>(reach * std::sin(middle)));
    QTest::mouseDClick(view, Qt::LeftButton, {}, inFiles);
    ASSERT_EQ(fakes.messages.shown.size(), 1u);
    EXPECT_EQ(fakes.messages.shown[0], "no info on files");

    QTest::mouseDClick(view, Qt::LeftButton, {}, QPoint(centre.x() - 10, centre.y()));  // slice 0
    ExpectAt("C:\\WINDOWS", true);
}

}  // namespace
}  // namespace gauzel

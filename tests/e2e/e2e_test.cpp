// The real gauzel program on a real X display (Xvfb), worked by a real pointer and keyboard
// (xdotool): start-up, a double-click on a legend row, "Go Up", Options > Kilobytes, Exit.
// Screenshots are checked by their pixels, the settings file by its text.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <QApplication>
#include <QDir>
#include <QFontMetrics>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QTest>

#include <cmath>
#include <fstream>
#include <iterator>
#include <optional>

#include "core/display/layout.h"
#include "tests/support/temp_tree.h"
#include "ui/dialog_units.h"

namespace gauzel {
namespace {

using testing::TempTree;

std::string g_program;  // the gauzel binary under test

QString Run(const QStringList& command) {
    QProcess process;
    process.start(command.front(), command.mid(1));
    process.waitForFinished(15000);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

QImage Screen() { return QGuiApplication::primaryScreen()->grabWindow(0).toImage(); }

void ClickAt(QPoint point, int clicks = 1) {
    Run({"xdotool", "mousemove", QString::number(point.x()), QString::number(point.y())});
    Run({"xdotool", "click", "--repeat", QString::number(clicks), "--delay", "80", "1"});
}

void Keys(const QString& window, const QStringList& keys) {
    Run({"xdotool", "windowfocus", "--sync", window});
    for (const QString& key : keys) {
        Run({"xdotool", "key", key});
        QTest::qWait(200);
    }
}

// Where a window stands, from xdotool ("X=..", "Y=..", "WIDTH=..", "HEIGHT=..").
QRect WindowRect(const QString& window) {
    QRect rect;
    for (const QString& line : Run({"xdotool", "getwindowgeometry", "--shell", window}).split('\n')) {
        const QStringList pair = line.split('=');
        if (pair.size() != 2) continue;
        if (pair[0] == "X") rect.moveLeft(pair[1].toInt());
        if (pair[0] == "Y") rect.moveTop(pair[1].toInt());
        if (pair[0] == "WIDTH") rect.setWidth(pair[1].toInt());
        if (pair[0] == "HEIGHT") rect.setHeight(pair[1].toInt());
    }
    return rect;
}

QString WaitForWindow(const QString& title) {
    for (int i = 0; i < 100; ++i) {
        const QString found = Run({"xdotool", "search", "--onlyvisible", "--name", "^" + title + "$"});
        if (!found.isEmpty()) return found.split('\n').front();
        QTest::qWait(100);
    }
    return {};
}

bool WaitForPixel(QPoint point, QRgb colour) {
    for (int i = 0; i < 100; ++i) {
        if (Screen().pixel(point) == colour) return true;
        QTest::qWait(100);
    }
    return false;
}

constexpr QRgb kBlue = 0xFF0000FF;
constexpr QRgb kGreen = 0xFF00FF00;

// The form, found from the legend's first swatch once the first rescan has drawn it (its fill
// starts 3 pixels inside the list box: the frame, then the outline).
struct Form {
    QPoint list;   // the legend's top left corner
    QPoint view;   // the view's
    QPoint below;  // straight below the pie's centre (270 degrees), half way out
};

std::optional<Form> FindForm(const QRect& frame) {
    QPoint swatch;
    for (int attempt = 0; attempt < 100 && swatch.isNull(); ++attempt) {
        const QImage screen = Screen();
        for (int y = frame.top(); y < frame.bottom() && swatch.isNull(); ++y)
            for (int x = frame.left(); x < frame.left() + 60; ++x)
                if (screen.pixel(x, y) == kBlue) {
                    swatch = QPoint(x, y);
                    break;
                }
        if (swatch.isNull()) QTest::qWait(100);
    }
    if (swatch.isNull()) return std::nullopt;
    const DialogUnits units = DialogUnitsOf(QApplication::font());
    Form form;
    form.list = swatch - QPoint(3, 3);
    form.view = form.list - QPoint(units.X(4), units.Y(36));
    const QRect listRect = DialogRect(units, 4, 36, 116, 156).translated(form.view);
    const TimerLayout layout = LayoutAtTimer(
        FromQRect(listRect), {form.view.x(), form.view.y(), form.view.x() + 10, form.view.y() + 10},
        {form.view.x(), form.view.y()});
    const Rect pie = layout.layout.m_rectPie;
    form.below = QPoint(form.view.x() + pie.left + pie.Width() / 2,
                        form.view.y() + pie.top + pie.Height() / 2 + pie.Height() / 4);
    return form;
}

// Big holds 86 % of the tree: blue below the centre at T:\; in T:\big inner2 spans 240 to 360
// degrees: green there.
struct TestDrive {
    TempTree tree;
    TempTree config;
    std::string settingsPath = config.PathOf("gauzel.ini");
    std::string settings = "; written by the end-to-end test\n[Drives]\nT=" + tree.Root() + "\n";
    TestDrive() {
        tree.Dir("big/inner1");
        tree.Dir("big/inner2");
        tree.Dir("small");
        tree.File("big/inner1/a", 2000000);
        tree.File("big/inner2/b", 1000000);
        tree.File("small/c", 300000);
        tree.File("loose", 200000);
        tree.Dir("locked");
        tree.File("locked/x", 1);
        chmod(tree.PathOf("locked").c_str(), 0);  // what the profile cannot read
        std::ofstream(settingsPath) << settings;
    }
    // Starts gauzel in `workingDirectory` with `args`, on this drive's settings.
    void Start(QProcess& gauzel, const std::string& workingDirectory, const QStringList& args) const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_CONFIG_HOME", QString::fromStdString(config.Root()));
        environment.remove("QT_QPA_PLATFORM");
        gauzel.setProcessEnvironment(environment);
        gauzel.setWorkingDirectory(QString::fromStdString(workingDirectory));
        // Root reads every directory: without the capabilities that let it, it reads as a user does.
        if (geteuid() == 0)
            gauzel.start("setpriv", QStringList{"--bounding-set=-dac_override,-dac_read_search",
                                                QString::fromStdString(g_program)} +
                                        args);
        else
            gauzel.start(QString::fromStdString(g_program), args);
    }
};

TEST(EndToEnd, DescendGoUpPickKilobytesAndExit) {
    TestDrive drive;
    const std::string& settingsPath = drive.settingsPath;
    const std::string& settings = drive.settings;
    QProcess gauzel;
    drive.Start(gauzel, drive.tree.PathOf("big"), {});  // inside drive T
    ASSERT_TRUE(gauzel.waitForStarted());

    const QString window = WaitForWindow("Gauzel");
    ASSERT_FALSE(window.isEmpty()) << "no Gauzel window";
    const std::optional<Form> form = FindForm(WindowRect(window));
    ASSERT_TRUE(form) << "the first rescan drew no legend";
    Screen().save("e2e-1-start.png");
    const DialogUnits units = DialogUnitsOf(QApplication::font());
    const QPoint list = form->list;
    const QPoint view = form->view;
    const QPoint below = form->below;
    ASSERT_TRUE(WaitForPixel(below, kBlue)) << "pie at the root";
    // The tree line says what it leaves out: "Size of tree: 3,500,000+ bytes (1 directory could
    // not be read)" has ink where "Size of tree: 3,500,000 bytes" would have ended.
    const QFontMetrics metrics(QApplication::font());
    const int baseline = WindowRect(window).bottom() - metrics.height() / 2 - 2 * metrics.height();
    const QRect past(list.x() + metrics.horizontalAdvance("Size of tree: 3,500,000 bytes") + 8,
                     baseline - metrics.ascent(), 60, metrics.ascent());
    const QImage start = Screen();
    bool ink = false;
    for (int y = past.top(); y <= past.bottom(); ++y)
        for (int x = past.left(); x <= past.right(); ++x) ink = ink || qGray(start.pixel(x, y)) < 100;
    EXPECT_TRUE(ink) << "no mark of what could not be read";

    ClickAt(list + QPoint(60, 1 + 10), 2);  // double-click row 0, "big"
    ASSERT_TRUE(WaitForPixel(below, kGreen)) << "no descent into big";
    Screen().save("e2e-2-descended.png");

    ClickAt(DialogRect(units, 65, 20, 55, 12).translated(view).center());  // "Go Up"
    ASSERT_TRUE(WaitForPixel(below, kBlue)) << "Go Up did not come back to the root";

    QTest::qWait(300);
    const QImage inBytes = Screen();
    Keys(window, {"alt+o", "s"});  // "&Options" > "&Settings..."
    const QString options = WaitForWindow("Options");
    ASSERT_FALSE(options.isEmpty()) << "no Options dialog";
    const QRect dialog = WindowRect(options);
    const QRect kilobytes = DialogRect(units, 20, 36, 53, 9).translated(dialog.topLeft());
    ClickAt(QPoint(kilobytes.left() + 5, kilobytes.center().y()));
    Screen().save("e2e-3-options.png");
    ClickAt(DialogRect(units, 108, 20, 50, 14).translated(dialog.topLeft()).center());  // OK
    QTest::qWait(300);
    const QImage inKilobytes = Screen();
    inKilobytes.save("e2e-4-kilobytes.png");
    // The legend's size column shows other texts; the pie is untouched (no rescan).
    const QRect sizes(list + QPoint(1 + 101, 1), QSize(60, 20));
    const QRect middle(below - QPoint(40, 40), QSize(80, 80));
    EXPECT_NE(inBytes.copy(sizes), inKilobytes.copy(sizes));
    EXPECT_EQ(inBytes.copy(middle), inKilobytes.copy(middle));

    Keys(window, {"alt+g", "x"});  // "&Gauzel" > "E&xit"
    if (gauzel.state() != QProcess::NotRunning) gauzel.waitForFinished(10000);
    ASSERT_EQ(gauzel.state(), QProcess::NotRunning) << "Exit did not end the program";
    EXPECT_EQ(gauzel.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(gauzel.exitCode(), 0) << gauzel.readAllStandardError().toStdString();

    std::ifstream file(settingsPath);
    const std::string text{std::istreambuf_iterator<char>(file), {}};
    EXPECT_EQ(text, settings + "\n[Option]\nNum=1\n");
}

TEST(EndToEnd, AFolderOnTheCommandLineIsTheFirstProfile) {
    TestDrive drive;
    QProcess gauzel;
    drive.Start(gauzel, drive.tree.Root(), {"big"});  // relative to the working directory
    ASSERT_TRUE(gauzel.waitForStarted());
    const QString window = WaitForWindow("Gauzel");
    ASSERT_FALSE(window.isEmpty()) << "no Gauzel window";
    const std::optional<Form> form = FindForm(WindowRect(window));
    ASSERT_TRUE(form) << "the first rescan drew no legend";
    EXPECT_TRUE(WaitForPixel(form->below, kGreen)) << "the first pie is not big's";
    gauzel.kill();
    gauzel.waitForFinished(5000);
}

}  // namespace
}  // namespace gauzel

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: gauzel_e2e_tests PATH-TO-GAUZEL\n");
        return 2;
    }
    gauzel::g_program = argv[1];
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}

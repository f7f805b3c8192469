#include <gtest/gtest.h>

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>

#include "app/gauzel.h"
#include "tests/gui/gui_support.h"

namespace gauzel {
namespace {

using testing::DrivesOf;
using testing::GoToRootOf;
using testing::GoUpOf;
using testing::LegendOf;
using testing::ViewOnFakes;

QStringList Titles(const QList<QAction*>& actions) {
    QStringList titles;
    for (QAction* action : actions) titles << (action->isSeparator() ? "-" : action->text());
    return titles;
}

TEST(Frame, StartsCentredAtItsMinimumSizeWithTheMenusInOrder) {
    ViewOnFakes fakes;
    CMainFrame frame({fakes.fs, fakes.settings, fakes.drives, fakes.messages, LinuxSavedFiles(), {}, {}});
    EXPECT_EQ(frame.windowTitle(), "Gauzel");
    EXPECT_EQ(frame.minimumSize(), QSize(550, 450));
    EXPECT_EQ(frame.size(), QSize(550, 450));
    frame.resize(400, 300);
    EXPECT_EQ(frame.size(), QSize(550, 450));  // never smaller than it starts

    const QList<QAction*> popups = frame.menuBar()->actions();
    EXPECT_EQ(Titles(popups), (QStringList{"&Gauzel", "&Rescan", "&Go To", "&View", "&Options", "&Help"}));
    EXPECT_EQ(Titles(popups[0]->menu()->actions()),
              (QStringList{"&Open Saved Scan...", "&Save Scan As...", "&Compare With Saved Scan...",
                           "Stop Co&mparing", "&What Changed...", "-", "E&xit"}));
    EXPECT_EQ(Titles(popups[1]->menu()->actions()), (QStringList{"From &Root", "This &Tree"}));
    EXPECT_EQ(Titles(popups[2]->menu()->actions()), (QStringList{"Go To &Root", "Go &Up"}));
    EXPECT_EQ(Titles(popups[3]->menu()->actions()), (QStringList{"By &Folder", "By &Kind", "By &Age", "-",
                                                                 "&Count Files", "-", "&Largest Files..."}));
    EXPECT_EQ(Titles(popups[4]->menu()->actions()),
              (QStringList{"&Settings...", "Count &Disk Usage", "Count Hard &Links Once"}));
    EXPECT_EQ(Titles(popups[5]->menu()->actions()), (QStringList{"&Help Topics", "-", "&About Gauzel..."}));
    EXPECT_FALSE(popups[2]->menu()->actions()[0]->isEnabled());  // at no place yet
}

TEST(Frame, TheKeyboardReachesEveryMove) {
    ViewOnFakes fakes;
    fakes.fs.AddFile("C:\\a\\b", "x", 10);
    fakes.fs.AddFile("D:\\d", "y", 20);
    CMainFrame frame({fakes.fs, fakes.settings, fakes.drives, fakes.messages, LinuxSavedFiles(), {}, {}});
    frame.show();
    QApplication::setActiveWindow(&frame);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
    CGauzelView& view = *frame.View();
    ASSERT_TRUE(QTest::qWaitFor([&view] { return view.IsLaidOut(); }, 2000));
    const auto settle = [&view] { testing::Settle(view); };
    settle();

    LegendOf(view)->setFocus();
    LegendOf(view)->setCurrentIndex(LegendOf(view)->model()->index(0, 0));
    QTest::keyClick(LegendOf(view), Qt::Key_Return);  // Enter descends
    QApplication::processEvents();
    settle();
    EXPECT_EQ(view.GetProfile().m_strPath, "C:\\a");
    // The offscreen platform hands the activation to every window it shows, the progress window
    // included, and to none when that one goes: give it back.
    QApplication::setActiveWindow(&frame);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
    LegendOf(view)->setFocus();
    QTest::keyClick(LegendOf(view), Qt::Key_Backspace);  // Backspace goes up
    settle();
    EXPECT_EQ(view.GetProfile().m_strPath, "C:");

    DrivesOf(view)->setFocus();
    QTest::keyClick(DrivesOf(view), Qt::Key_Down);  // the next drive in the list
    settle();
    EXPECT_EQ(view.GetProfile().m_strPath, "D:");

    for (QWidget* control : {static_cast<QWidget*>(DrivesOf(view)), static_cast<QWidget*>(LegendOf(view))})
        EXPECT_FALSE(control->accessibleName().isEmpty());

    // Ctrl+O and Ctrl+S ask for a saved scan: no held accelerator shadows them.
    for (const auto& [key, title] :
         {std::pair{Qt::Key_O, "Open Saved Scan"}, std::pair{Qt::Key_S, "Save Scan As"}}) {
        QApplication::setActiveWindow(&frame);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
        LegendOf(view)->setFocus();
        QString asked;
        QTimer::singleShot(0, [&asked] {
            if (QWidget* dialog = QApplication::activeModalWidget()) {
                asked = dialog->windowTitle();
                dialog->close();
            }
        });
        QTest::keyClick(LegendOf(view), key, Qt::ControlModifier);
        EXPECT_EQ(asked, QString(title));
    }
}

TEST(Frame, TheAboutBoxHasItsTextsAndClosesWithOk) {
    CAboutDlg about(nullptr);
    EXPECT_EQ(about.windowTitle(), "About Gauzel");
    QStringList texts;
    for (const QLabel* label : about.findChildren<QLabel*>()) texts << label->text();
    for (const char* text : {"Gauzel Version 2.1", "Profiles hard drive usage", "A 32 bit application"})
        EXPECT_TRUE(texts.contains(text)) << text;
    QStringList groups;
    for (const QGroupBox* group : about.findChildren<QGroupBox*>()) groups << group->title();
    EXPECT_EQ(groups, (QStringList{"What Gauzel Does", "Legal"}));
    QTimer::singleShot(0, [&about] { QTest::mouseClick(about.findChild<QPushButton*>(), Qt::LeftButton); });
    EXPECT_EQ(about.exec(), QDialog::Accepted);
}

TEST(Frame, CentringArithmetic) {
    QRect rect(5, 5, 300, 100);
    CenterRectOnScreen(rect);
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    EXPECT_EQ(rect.size(), QSize(300, 100));
    EXPECT_EQ(rect.left(), (screen.width() - 300) / 2);
    EXPECT_EQ(rect.top(), (screen.height() - 100) / 2);
}

// Faults: a way of counting that does not rescan, is not kept, is lost silently when it cannot
// be kept, or is not shown checked at the next start.
TEST(Frame, TheCountingItemsFlipTheirSettingAndRescan) {
    ViewOnFakes fakes;
    fakes.fs.AddRecord("C:\\a", {"f", kAttributeNormal, 10, 0, 4096, 3, 1});
    fakes.settings.Write("Option", "LinksOnce", "1");
    CMainFrame frame({fakes.fs, fakes.settings, fakes.drives, fakes.messages, LinuxSavedFiles(), {}, {}});
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    auto* view = frame.findChild<CGauzelView*>();
    ASSERT_TRUE(QTest::qWaitFor([view] { return view->GetProfile().IsComplete(); }, 2000));
    auto* diskUsage = frame.findChild<QAction*>("ID_OPTIONS_DISK_USAGE");
    auto* linksOnce = frame.findChild<QAction*>("ID_OPTIONS_LINKS_ONCE");
    EXPECT_FALSE(diskUsage->isChecked());
    EXPECT_TRUE(linksOnce->isChecked());  // from the settings at start
    EXPECT_EQ(view->GetProfile().m_dTreeSize, 10);

    const int listings = fakes.Listings("C:");
    diskUsage->trigger();
    testing::Settle(*view);
    EXPECT_EQ(fakes.Listings("C:"), listings + 1);
    EXPECT_EQ(view->GetProfile().m_dTreeSize, 4096);
    EXPECT_EQ(fakes.settings.Read("Option", "Allocated"), "1");

    fakes.settings.writeError = EROFS;
    diskUsage->trigger();
    testing::Settle(*view);
    EXPECT_EQ(view->GetProfile().m_dTreeSize, 10);  // the choice holds for this run
    EXPECT_EQ(
        fakes.messages.shown,
        std::vector<QString>{"The setting could not be saved to /memory/gauzel.ini: Read-only file system"});
    fakes.settings.writeError = 0;
    linksOnce->trigger();
    testing::Settle(*view);
    EXPECT_EQ(fakes.settings.Read("Option", "LinksOnce"), "0");
}

}  // namespace
}  // namespace gauzel

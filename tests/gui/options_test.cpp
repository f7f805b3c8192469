#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <fstream>
#include <functional>
#include <iterator>

#include "options/opt_dlg.h"
#include "platform/linux/ini_settings.h"
#include "tests/gui/gui_support.h"
#include "tests/support/temp_tree.h"

namespace gauzel {
namespace {

using testing::DrivesOf;
using testing::GoToRootOf;
using testing::GoUpOf;
using testing::LegendOf;
using testing::ViewOnFakes;

// What the dialog showed when it opened: which radio buttons were checked.
struct Shown {
    bool bytes = false, kilobytes = false, megabytes = false;
    bool okHasFocus = false;
};

// Opens Options > Settings..., lets `act` work the modal dialog, and returns what the dialog
// showed first.
Shown WorkOptions(ViewOnFakes& fakes, const std::function<void(QDialog&)>& act) {
    Shown shown;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), "Options");
        shown.bytes = dialog->findChild<QRadioButton*>("IDC_BYTES")->isChecked();
        shown.kilobytes = dialog->findChild<QRadioButton*>("IDC_KILOBYTES")->isChecked();
        shown.megabytes = dialog->findChild<QRadioButton*>("IDC_MEGABYTES")->isChecked();
        shown.okHasFocus = dialog->focusWidget() == dialog->findChild<QPushButton*>("IDOK");
        act(*dialog);
    });
    fakes.Command("ID_OPTIONS_SETTINGS");
    return shown;
}

void Click(QDialog& dialog, const char* name) {
    QTest::mouseClick(dialog.findChild<QAbstractButton*>(name), Qt::LeftButton);
}

struct Options : ::testing::Test {
    void SetUp() override {
        fakes.fs.AddFile("C:", "z", 2500);
        view = &fakes.Start();
    }
    std::optional<std::string> Stored() const { return fakes.settings.Read("Option", "Num"); }

    ViewOnFakes fakes;
    CGauzelView* view = nullptr;
};

TEST_F(Options, FirstStartShowsBytesAndOkTakesTheFocus) {
    const Shown shown = WorkOptions(fakes, [](QDialog& d) { Click(d, "IDCANCEL"); });
    EXPECT_TRUE(shown.bytes);
    EXPECT_FALSE(shown.kilobytes || shown.megabytes);
    EXPECT_TRUE(shown.okHasFocus);
    EXPECT_EQ(Stored(), std::nullopt);
}

TEST_F(Options, OkWritesTheChoiceAndRepaintsWithoutARescan) {
    const int roots = fakes.Listings("C:");
    WorkOptions(fakes, [](QDialog& d) {
        Click(d, "IDC_MEGABYTES");
        Click(d, "IDOK");
    });
    EXPECT_EQ(Stored(), "2");
    EXPECT_EQ(view->ShownUnits(), Units::Megabytes);
    EXPECT_EQ(view->FormatSize(2500), "0M");
    EXPECT_EQ(fakes.Listings("C:"), roots);

    WorkOptions(fakes, [](QDialog& d) { Click(d, "IDOK"); });  // no change: the same value again
    EXPECT_EQ(Stored(), "2");
}

TEST_F(Options, TheUnitsAreOneTabStopAndTheArrowKeysMoveWithinThem) {
    QStringList stops;
    WorkOptions(fakes, [&stops](QDialog& d) {
        d.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
        // From OK: Cancel, what is below, the checked unit, then Down checks the next unit, and Tab
        // leaves the group.
        for (Qt::Key key :
             {Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Down, Qt::Key_Tab}) {
            QTest::keyClick(d.focusWidget(), key);
            stops << d.focusWidget()->objectName();
        }
        Click(d, "IDOK");
    });
    EXPECT_EQ(stops, (QStringList{"IDCANCEL", "IDC_EXCLUDE", "IDC_EXCLUDE_CACHES", "IDC_LARGEST", "IDC_BYTES",
                                  "IDC_KILOBYTES", "IDOK"}));
    EXPECT_EQ(Stored(), "1");
}

// Catches a bad number of largest files saved, a pattern list stored other than the scan reads it,
// and the dialog not showing what is stored.
TEST_F(Options, WhatToLeaveOutIsKeptAndABadValueIsRefusedSavingNothing) {
    WorkOptions(fakes, [this](QDialog& d) {
        d.findChild<QPlainTextEdit*>("IDC_EXCLUDE")->setPlainText("*.o\n\nbuild/out");
        Click(d, "IDC_EXCLUDE_CACHES");
        for (const char* bad : {"0", "100001", "many"}) {
            d.findChild<QLineEdit*>("IDC_LARGEST")->setText(bad);
            Click(d, "IDOK");
            EXPECT_TRUE(d.isVisible()) << bad;
        }
        EXPECT_EQ(fakes.messages.shown.back(), "Largest files kept: a number from 1 to 100,000.");
        EXPECT_EQ(fakes.settings.Read("Scan", "Largest"), std::nullopt);
        d.findChild<QLineEdit*>("IDC_LARGEST")->setText("500");
        Click(d, "IDOK");
    });
    EXPECT_EQ(fakes.settings.Read("Scan", "Exclude"), "*.o|build/out");
    EXPECT_EQ(fakes.settings.Read("Scan", "ExcludeCaches"), "1");
    EXPECT_EQ(fakes.settings.Read("Scan", "Largest"), "500");
    WorkOptions(fakes, [](QDialog& d) {
        EXPECT_EQ(d.findChild<QPlainTextEdit*>("IDC_EXCLUDE")->toPlainText(), "*.o\nbuild/out");
        EXPECT_TRUE(d.findChild<QCheckBox*>("IDC_EXCLUDE_CACHES")->isChecked());
        EXPECT_EQ(d.findChild<QLineEdit*>("IDC_LARGEST")->text(), "500");
        Click(d, "IDCANCEL");
    });
}

TEST_F(Options, CancelEscapeAndCloseChangeNothing) {
    WorkOptions(fakes, [](QDialog& d) {
        Click(d, "IDC_KILOBYTES");
        Click(d, "IDCANCEL");
    });
    WorkOptions(fakes, [](QDialog& d) {
        Click(d, "IDC_KILOBYTES");
        QTest::keyClick(&d, Qt::Key_Escape);
    });
    WorkOptions(fakes, [](QDialog& d) {
        Click(d, "IDC_KILOBYTES");
        d.close();
    });
    EXPECT_EQ(Stored(), std::nullopt);
    EXPECT_EQ(view->ShownUnits(), Units::Bytes);
}

TEST(OptionsStored, AValueOutOfRangeChecksNothingAndOkStoresMinusOne) {
    ViewOnFakes fakes;
    fakes.settings.Write("Option", "Num", "7");
    CGauzelView& view = fakes.Start();
    EXPECT_EQ(view.FormatSize(2500), "2,500");  // shown as bytes
    Shown shown = WorkOptions(fakes, [](QDialog& d) { Click(d, "IDCANCEL"); });
    EXPECT_FALSE(shown.bytes || shown.kilobytes || shown.megabytes);
    EXPECT_EQ(fakes.settings.Read("Option", "Num"), "7");

    WorkOptions(fakes, [](QDialog& d) { Click(d, "IDOK"); });
    EXPECT_EQ(fakes.settings.Read("Option", "Num"), "-1");
    EXPECT_EQ(view.FormatSize(2500), "2,500");
}

TEST(OptionsStored, TheNextStartShowsTheUnitsChosenLast) {
    const gauzel::testing::TempTree config;
    const std::string path = config.PathOf("gauzel.ini");
    std::ofstream(path) << "; my settings\n[Search]\nLimit=0\n";
    {
        ViewOnFakes fakes;
        IniSettings settings(path);
        fakes.frame = std::make_unique<CMainFrame>(
            ViewServices{fakes.fs, settings, fakes.drives, fakes.messages, LinuxSavedFiles(), {}, {}});
        WorkOptions(fakes, [](QDialog& d) {
            Click(d, "IDC_KILOBYTES");
            Click(d, "IDOK");
        });
    }
    ViewOnFakes fakes;
    IniSettings settings(path);
    CGauzelView next(
        ViewServices{fakes.fs, settings, fakes.drives, fakes.messages, LinuxSavedFiles(), {}, {}});
    EXPECT_EQ(next.ShownUnits(), Units::Kilobytes);
    std::ifstream file(path);
    const std::string text{std::istreambuf_iterator<char>(file), {}};
    EXPECT_EQ(text, "; my settings\n[Search]\nLimit=0\n\n[Option]\nNum=1\n");
}

// A setting that cannot be kept is told, and still holds for this run.
TEST(OptionsStored, AFailedWriteIsToldAndTheUnitsStillChange) {
    ViewOnFakes fakes;
    CGauzelView& view = fakes.Start();
    fakes.settings.writeError = EACCES;
    WorkOptions(fakes, [](QDialog& d) {
        Click(d, "IDC_KILOBYTES");
        Click(d, "IDOK");
    });
    EXPECT_EQ(
        fakes.messages.shown,
        std::vector<QString>{"The setting could not be saved to /memory/gauzel.ini: Permission denied"});
    EXPECT_EQ(view.FormatSize(2500), "3K");
}

TEST(OptionsStored, UnreadableSettingsAreToldOnceAtStartAndTheDefaultsHold) {
    ViewOnFakes fakes;
    fakes.settings.problem = "Is a directory";
    fakes.Start();
    EXPECT_EQ(fakes.messages.shown,
              std::vector<QString>{"The settings file /memory/gauzel.ini cannot be read (Is a directory); "
                                   "the default settings are used."});
    EXPECT_EQ(fakes.view->ShownUnits(), Units::Bytes);

    // A thread count out of range is refused the same way, and the rescan runs on the default.
    ViewOnFakes threads;
    threads.settings.Write("Option", "Threads", "-4");
    threads.Start();
    EXPECT_EQ(threads.messages.shown,
              std::vector<QString>{
                  "The setting Threads=-4 in /memory/gauzel.ini is outside 0 to 256; the default is used."});
}

}  // namespace
}  // namespace gauzel

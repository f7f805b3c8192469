#pragma once
// A view on fakes: an in-memory disk, settings, two drives, and recorded message boxes.

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "app/main_frm.h"
#include "legend/od_list_box.h"
#include "platform/drive_list.h"
#include "platform/linux/compressed_file.h"
#include "tests/support/fake_file_system.h"
#include "ui/dialog_units.h"
#include "ui/message_box.h"
#include "view/gauzel_view.h"

namespace gauzel::testing {

class RecordedMessages final : public MessageBoxes {
public:
    void Show(QWidget*, const QString& text) override { shown.push_back(text); }
    std::vector<QString> shown;
};

class FakeDrives final : public DriveList {
public:
    std::vector<std::string> Entries() const override { return entries; }
    std::optional<std::string> CurrentDirectory() const override { return current; }
    LogicalDirectory Resolve(const std::string& realPath) const override {
        const auto found = resolvable.find(realPath);
        return found != resolvable.end() ? LogicalDirectory{found->second, {}}
                                         : LogicalDirectory{{}, "No such file or directory"};
    }
    // "C:\a\b" is "/c/a/b".
    std::optional<std::string> RealPathOf(const std::string& logicalPath) const override {
        std::string real = "/" + std::string(1, static_cast<char>(std::tolower(logicalPath[0])));
        for (char c : logicalPath.substr(2)) real += c == '\\' ? '/' : c;
        return real;
    }
    // The mount table of now: `entries` become it.
    bool Refresh() override { return std::exchange(entries, mounted) != mounted; }
    std::vector<std::string> entries{"[-d-] /data", "[-c-] /"};
    std::vector<std::string> mounted = entries;
    std::optional<std::string> current = "C:\\home\\me";
    std::map<std::string, std::string> resolvable;  // real path -> logical
};

// A read that never returns, as from a share that stopped answering: the listing of `path` (after
// `skip` listings of it that return), or the volume query of `path`, waits in the fake disk until
// Open, or for kGivesUp, after which a test that waited on the read fails rather than hangs.
// Release lets it go and waits until the reader has finished with the fakes, as the destructor
// does.
class HungRead {
public:
    enum class What { kListing, kVolume };
    static constexpr std::chrono::seconds kGivesUp{5};
    HungRead(FakeFileSystem& fs, std::string path, What what = What::kListing, int skip = 0)
        : m_fs(fs), m_hook(what == What::kVolume ? fs.onVolume : fs.onList) {
        m_hook = [this, hung = std::move(path), skip](const std::string& read) mutable {
            if (read != hung) return;
            std::unique_lock lock(m_mutex);
            if (skip-- > 0) return;
            ++m_waiting;
            m_changed.notify_all();
            m_changed.wait_for(lock, kGivesUp, [this] { return m_open; });
            --m_waiting;
            m_changed.notify_all();
        };
    }
    // Waits until the read hangs: whether it did (within kGivesUp).
    bool Hangs() {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, kGivesUp, [this] { return m_waiting != 0; });
    }
    ~HungRead() { Release(); }
    int Waiting() {
        const std::lock_guard lock(m_mutex);
        return m_waiting;
    }
    void Open() {
        const std::lock_guard lock(m_mutex);
        m_open = true;
        m_changed.notify_all();
    }
    void Release() {
        Open();
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_waiting == 0; });
        }
        for (int i = 0; i < 500 && m_fs.OpenCount() != 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        m_hook = nullptr;
    }

private:
    FakeFileSystem& m_fs;
    std::function<void(const std::string&)>& m_hook;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_open = false;
    int m_waiting = 0;
};

// The view's controls, found as a user's tools find them: by their names.
inline COdListBox* LegendOf(const QWidget& view) { return view.findChild<COdListBox*>("IDC_LEGEND"); }
inline QComboBox* DrivesOf(const QWidget& view) { return view.findChild<QComboBox*>("IDC_DRIVES"); }
inline QPushButton* GoUpOf(const QWidget& view) { return view.findChild<QPushButton*>("IDC_GO_UP"); }
inline QPushButton* GoToRootOf(const QWidget& view) { return view.findChild<QPushButton*>("IDC_GO_TO_ROOT"); }

// A rescan runs on a thread of its own: what a command leads to is shown once it has ended (and
// every rescan the command chains after it).
inline void Settle(const CGauzelView& view) {
    EXPECT_TRUE(QTest::qWaitFor([&view] { return !view.IsScanning(); }, 10000));
    QApplication::processEvents();
}

struct ViewOnFakes {
    FakeFileSystem fs;
    MemorySettings settings;
    FakeDrives drives;
    RecordedMessages messages;
    std::unique_ptr<CMainFrame> frame;          // the window as the user has it: its menus reach the view
    CGauzelView* view = nullptr;                // the frame's (or one a test makes itself)
    std::optional<std::string> startDirectory;  // as on the command line
    std::optional<QString> startComparison;     // --compare
    std::shared_ptr<const MimeTypes> types;     // the kinds of files (none: all Other)
    ReaderPool pool;                            // the window's reads (a test may wait for them)

    ViewOnFakes() {
        fs.volume = {250, 1000};
        fs.AddDirectory("C:");  // the drive of the current directory: an empty one
    }

    // Builds and shows the main window, its view `size`, and waits for the start-up timer's
    // layout and first rescan.
    CGauzelView& Start(QSize size = QSize(700, 500)) {
        frame = std::make_unique<CMainFrame>(
            ViewServices{fs, settings, drives, messages, LinuxSavedFiles(), types, pool});
        view = frame->View();
        if (startDirectory) view->SetStartDirectory(*startDirectory);
        if (startComparison) view->SetStartComparison(*startComparison);
        frame->resize(size.width(), size.height() + frame->menuBar()->sizeHint().height());
        frame->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
        EXPECT_TRUE(QTest::qWaitFor([this] { return view->IsLaidOut(); }, 2000));
        Settle();
        return *view;
    }

    void Settle() {
        if (CGauzelView* shown = view != nullptr ? view : frame ? frame->View() : nullptr)
            testing::Settle(*shown);
    }

    // The menu item `id` as the user finds it: its menu opens, which sets what is enabled.
    QAction* MenuItem(const char* id) {
        QAction* action = frame->findChild<QAction*>(id);
        EXPECT_NE(action, nullptr) << id;
        if (action == nullptr) return nullptr;
        for (QObject* object : action->associatedObjects())
            if (auto* menu = qobject_cast<QMenu*>(object)) emit menu->aboutToShow();
        return action;
    }
    // Chooses the menu item `id`, which must be enabled.
    void Command(const char* id) {
        QAction* action = MenuItem(id);
        ASSERT_NE(action, nullptr);
        ASSERT_TRUE(action->isEnabled()) << id;
        action->trigger();
        Settle();
    }

    const Profile& profile() const { return view->GetProfile(); }

    // Options > Settings..., the radio button `units` ("IDC_KILOBYTES"), OK.
    void ChooseUnits(const char* units) {
        QTimer::singleShot(0, [units] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            QTest::mouseClick(dialog->findChild<QAbstractButton*>(units), Qt::LeftButton);
            QTest::mouseClick(dialog->findChild<QAbstractButton*>("IDOK"), Qt::LeftButton);
        });
        Command("ID_OPTIONS_SETTINGS");
    }
    int Listings(const std::string& path) { return fs.listings[path]; }

    QImage Picture() { return view->grab().toImage(); }
    QImage LegendPicture() { return LegendOf(*view)->viewport()->grab().toImage(); }

    // A real double-click on legend row `row` (a press first, as a user's first click).
    void DoubleClickRow(int row) {
        QWidget* viewport = LegendOf(*view)->viewport();
        const QPoint point(60, row * kLegendItemHeight + 10);
        QTest::mouseClick(viewport, Qt::LeftButton, {}, point);
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, point);
        QApplication::processEvents();  // the descent is queued behind the mouse event
        Settle();
    }
    int RowOf(const std::string& name) const {
        for (std::size_t i = 0; i < profile().EntryCount(); ++i)
            if (profile().m_listNames[i] == name && !profile().IsFilesEntry(i)) return static_cast<int>(i);
        return -1;
    }
    int FilesRow() const {
        for (std::size_t i = 0; i < profile().EntryCount(); ++i)
            if (profile().IsFilesEntry(i)) return static_cast<int>(i);
        return -1;
    }
};

// Answers the next popup menu as a user would: notes its enabled commands in `enabled`, then
// chooses `choice` with the keyboard, or closes the menu when it has no such command.
inline void AnswerNextMenu(QStringList& enabled, const QString& choice) {
    QTimer::singleShot(100, [&enabled, choice] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr) return;
        for (QAction* action : menu->actions())
            if (action->isEnabled()) enabled << action->text();
        for (QAction* action : menu->actions())
            if (action->text() == choice) {
                menu->setActiveAction(action);
                QTest::keyClick(menu, Qt::Key_Return);
                return;
            }
        menu->close();
    });
}

inline QRgb Rgb(Colour colour) { return ToQColor(colour).rgb(); }

}  // namespace gauzel::testing

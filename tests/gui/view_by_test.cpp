#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QTimer>
#include <QTreeWidget>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "tests/gui/gui_support.h"

namespace gauzel {
namespace {

using testing::LegendOf;
using testing::ViewOnFakes;
using Rows = std::vector<std::pair<std::string, std::uint64_t>>;

std::shared_ptr<const MimeTypes> SmallTypes() {
    return std::make_shared<const MimeTypes>(
        MimeDatabaseText{{"50:image/png:*.png\n50:video/mp4:*.mp4\n"}, {}});
}

// Runs `act` on the next modal dialog once it is up (a double-click opens it after its queued hop).
void OnNextDialog(const std::function<void(QDialog&)>& act) {
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            act(*dialog);
        }
    });
    poll->start();
}

Rows RowsOf(const CGauzelView& view) {
    Rows rows;
    const Profile& shown = view.GetProfile();
    for (std::size_t i = 0; i < shown.EntryCount(); ++i)
        rows.emplace_back(shown.m_listNames[i], static_cast<std::uint64_t>(shown.EntrySize(i)));
    return rows;
}

// Catches a view switch that rescans or keeps rows of the directory before, a count that leaves a
// size in the legend, and the choice not kept for the next start.
TEST(ViewBy, KindsAgesAndCountsSwitchAtOnceAndAreKept) {
    ViewOnFakes fakes;
    fakes.types = SmallTypes();
    fakes.fs.AddFile("C:\\a", "x.png", 300);
    fakes.fs.AddFile("C:\\a", "y.png", 200);
    fakes.fs.AddFile("C:\\a", "film.mp4", 1000);
    fakes.fs.AddRecord("C:", {.name = "notes", .size = 50, .mtime = 1});
    fakes.fs.AddDirectory("C:\\locked");
    fakes.fs.Refuse("C:\\locked");
    CGauzelView& view = fakes.Start();
    const int listings = fakes.Listings("C:");
    fakes.Command("ID_VIEW_BY_KIND");
    EXPECT_EQ(RowsOf(view), (Rows{{"Video", 1000}, {"Images", 500}, {"Other", 50}}));
    // What could not be read may hold files of any kind.
    EXPECT_EQ(LegendOf(view)->model()->index(2, 0).data(Qt::AccessibleTextRole).toString(), "Other, 50+");
    fakes.Command("ID_VIEW_COUNT_FILES");
    EXPECT_EQ(RowsOf(view), (Rows{{"Images", 2}, {"Video", 1}, {"Other", 1}}));
    const QString tip = LegendOf(view)->model()->index(0, 0).data(Qt::ToolTipRole).toString();
    EXPECT_TRUE(tip.startsWith("Images\n2+ files\n")) << tip.toStdString();
    EXPECT_FALSE(tip.contains("bytes")) << tip.toStdString();
    fakes.Command("ID_VIEW_BY_AGE");
    EXPECT_EQ(RowsOf(view), (Rows{{"Over 5 years", 1}, {"Unknown", 3}}));  // in band order
    fakes.Command("ID_VIEW_BY_FOLDER");
    EXPECT_EQ(RowsOf(view)[0], (std::pair<std::string, std::uint64_t>{"a", 3}));
    EXPECT_EQ(fakes.Listings("C:"), listings);  // none of it rescanned

    fakes.DoubleClickRow(0);  // into a, by folder; then its kinds alone
    fakes.Command("ID_VIEW_BY_KIND");
    EXPECT_EQ(RowsOf(view), (Rows{{"Images", 2}, {"Video", 1}}));
    EXPECT_EQ(fakes.settings.Read("View", "By"), "kind");
    EXPECT_EQ(fakes.settings.Read("View", "Count"), "1");

    ViewOnFakes next;
    next.settings.Write("View", "By", "age");
    next.settings.Write("View", "Count", "1");
    CGauzelView& started = next.Start();
    EXPECT_EQ(started.ViewBy(), RowsBy::kAge);
    EXPECT_TRUE(started.CountsFiles());
    EXPECT_TRUE(next.MenuItem("ID_VIEW_BY_AGE")->isChecked());
}

// Catches Largest Files showing another kind's files, or not largest first with equal sizes by path.
TEST(ViewBy, LargestFilesOfAKindShowOnlyItsFilesLargestFirst) {
    ViewOnFakes fakes;
    fakes.types = SmallTypes();
    fakes.fs.AddFile("C:\\b", "p.png", 200);
    fakes.fs.AddFile("C:\\a", "q.png", 200);
    fakes.fs.AddFile("C:\\a", "big.mp4", 900);
    fakes.fs.AddFile("C:\\a", "z.png", 50);
    fakes.settings.Write("View", "By", "kind");
    CGauzelView& view = fakes.Start();
    ASSERT_EQ(RowsOf(view)[1].first, "Images");
    QString title, copied;
    QStringList paths;
    OnNextDialog([&](QDialog& dialog) {
        title = dialog.windowTitle();
        auto* list = dialog.findChild<QTreeWidget*>("IDC_LARGEST_LIST");
        for (int i = 0; i < list->topLevelItemCount(); ++i) paths << list->topLevelItem(i)->text(3);
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);  // the path, not the cell's text
        copied = QGuiApplication::clipboard()->text();
        QTest::keyClick(list, Qt::Key_Escape);
    });
    fakes.DoubleClickRow(1);
    EXPECT_EQ(title, "Largest Files: Images");
    EXPECT_EQ(paths, (QStringList{"C:\\a\\q.png", "C:\\b\\p.png", "C:\\a\\z.png"}));
    EXPECT_EQ(copied, "/c/b/p.png");
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);  // Esc closed it
}

}  // namespace
}  // namespace gauzel

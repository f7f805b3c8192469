// The view's navigation commands and its menus' dialogs: each move sets the place and rescans.

#include <QAction>
#include <QClipboard>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>
#include <utility>

#include "core/commands/navigation.h"
#include "core/display/escape.h"
#include "core/display/summary.h"
#include "legend/od_list_box.h"
#include "ui/message_box.h"
#include "view/gauzel_view.h"

namespace gauzel {

void CGauzelView::GoTo(std::string path, bool belowRoot, Then then) {
    RescanAt(std::move(path), belowRoot, Unopened::kTell, std::move(then));
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

// The drive list: filled from the drives, following the mount table, and what is typed into it.

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <utility>

#include "core/commands/navigation.h"
#include "core/saved/export_reader.h"
#include "ui/message_box.h"
#include "view/gauzel_view.h"

namespace gauzel {

void CGauzelView::FillDrivesAndRescan() {
    FillDriveList();
    SelectDriveAndRescan();
}

void CGauzelView::FillDriveList() {
    std::vector<std::string> entries = m_services.drives.Entries();
    std::sort(entries.begin(), entries.end());  // a sorted list, like the combo box it stands for
    m_cbDrives->clear();
    for (const std::string& entry : entries) m_cbDrives->addItem(QString::fromStdString(entry));
    m_cbDrives->setCurrentIndex(-1);
}

void CGauzelView::OnMountsChanged() {
    if (HasPath() && m_savedDrives.SavedOf(m_profile.m_strPath) != nullptr) {  // the scan stays where it is
        if (m_services.drives.Refresh()) {
            FillDriveList();
            ShowDriveOfPath();
        }
        return;
    }
    // Where the window stands, as the old drives name it: a new mount may move a drive's letter.
    const std::optional<std::string> real =
        HasPath() ? m_services.drives.RealPathOf(m_profile.m_strPath) : std::nullopt;
    const std::string shownDrive = HasPath() ? m_cbDrives->currentText().toStdString() : std::string();
    if (!m_services.drives.Refresh()) return;
    FillDriveList();
    if (!HasPath()) return;
    // The same mount point under any letter: the same directory, the same profile.
    const std::vector<std::string> entries = DriveEntries();
    const bool stays =
        shownDrive.size() > 5 && std::any_of(entries.begin(), entries.end(), [&](const std::string& entry) {
            return entry.size() > 5 && entry.substr(5) == shownDrive.substr(5);
        });
    const LogicalDirectory now = real && stays ? m_services.drives.Resolve(*real) : LogicalDirectory{};
    if (now.path) {
        m_profile.Relabel(*now.path);
        ShowDriveOfPath();
        update();
        return;
    }
    // Moved first, told after: another change may arrive while the message is shown.
    const QString gone = QString::fromStdString(m_profile.m_strPath.substr(0, 2));
    SelectDriveAndRescan([this, gone](bool) {
        m_services.messages.Show(
            this,
            QString("Drive %1 is no longer there; Gauzel goes to the current directory's drive.").arg(gone));
    });
}

void CGauzelView::SelectDriveAndRescan(Then then) {
    if (m_cbDrives->count() == 0) return;  // no drive at all: nothing to show
    if (m_cbDrives->currentIndex() < 0) {
        if (const std::optional<std::string> start = TakeStartDirectory()) {
            const std::vector<std::string> entries = DriveEntries();  // a saved scan brings its drive
            const std::size_t drive = DriveIndexForDirectory(entries, *start);
            if (drive < entries.size()) {
                m_cbDrives->setCurrentIndex(static_cast<int>(drive));
                // One that cannot be listed was told: the current directory's drive, then.
                GoTo(*start, IsBelowRoot(*start), [this, then](bool went) {
                    if (!went) {
                        m_cbDrives->setCurrentIndex(-1);
                        SelectDriveAndRescan(then);
                    } else if (then) {
                        then(went);
                    }
                });
                return;
            }
        }
        SelectCurrentDirectoryDrive();
    }
    // No selection: the last drive is profiled.
    const int index = m_cbDrives->currentIndex() >= 0 ? m_cbDrives->currentIndex() : m_cbDrives->count() - 1;
    const std::optional<Place> root = DriveRoot(m_cbDrives->itemText(index).toStdString());
    if (!root) return;
    // A drive whose root cannot be listed was told: the list shows the drive the window stays on.
    GoTo(root->path, root->belowRoot, [this, then](bool went) {
        if (!went && HasPath()) ShowDriveOfPath();
        if (then) then(went);
    });
}

void CGauzelView::SelectCurrentDirectoryDrive() {
    const std::vector<std::string> entries = DriveEntries();
    const std::size_t match =
        DriveIndexForDirectory(entries, m_services.drives.CurrentDirectory().value_or(""));
    m_cbDrives->setCurrentIndex(match < entries.size() ? static_cast<int>(match) : -1);
}

std::vector<std::string> CGauzelView::DriveEntries() const {
    std::vector<std::string> entries;
    for (int i = 0; i < m_cbDrives->count(); ++i) entries.push_back(m_cbDrives->itemText(i).toStdString());
    return entries;
}

std::optional<std::string> CGauzelView::TakeStartDirectory() {
    if (!m_startDirectory) return std::nullopt;
    const std::string argument = std::exchange(m_startDirectory, std::nullopt).value();
    if (QFileInfo(QString::fromLocal8Bit(argument)).isFile())
        return LoadSavedScan(QString::fromLocal8Bit(argument));
    LogicalDirectory place = m_services.drives.Resolve(argument);
    if (!place.path)
        m_services.messages.Show(
            this, QString("%1 cannot be profiled: %2.")
                      .arg(QString::fromLocal8Bit(argument), QString::fromStdString(place.error)));
    return std::move(place.path);
}

void CGauzelView::OnDriveTyped() {
    const QString typed = m_cbDrives->currentText();
    const TypedPlace parsed = ParseTypedPlace(typed.toStdString(), QDir::homePath().toStdString());
    std::optional<Place> place = parsed.place;
    if (parsed.realPath) {
        const LogicalDirectory logical = m_services.drives.Resolve(*parsed.realPath);
        if (!logical.path)
            m_services.messages.Show(
                this,
                QString("%1 cannot be profiled: %2.").arg(typed, QString::fromStdString(logical.error)));
        else
            place = Place{*logical.path, IsBelowRoot(*logical.path)};
    }
    const std::vector<std::string> entries = DriveEntries();
    if (place && DriveIndexForDirectory(entries, place->path) == entries.size()) {
        m_services.messages.Show(
            this, QString("There is no drive %1.").arg(QString::fromStdString(place->path.substr(0, 2))));
        place.reset();
    }
    // Where the window is now, whether it moved or not.
    if (place)
        GoTo(place->path, place->belowRoot, [this](bool) { ShowDriveOfPath(); });
    else
        ShowDriveOfPath();
}

void CGauzelView::ShowDriveOfPath() {
    const std::vector<std::string> entries = DriveEntries();
    const std::size_t drive =
        HasPath() ? DriveIndexForDirectory(entries, m_profile.m_strPath) : entries.size();
    m_cbDrives->setCurrentIndex(drive < entries.size() ? static_cast<int>(drive) : -1);
    m_cbDrives->setEditText(drive < entries.size() ? m_cbDrives->itemText(static_cast<int>(drive))
                                                   : QString());
    m_cbDrives->lineEdit()->setCursorPosition(0);
}

void CGauzelView::OnSelChangeDrive() {
    if (m_cbDrives->currentIndex() < 0) return;  // typed text never changes the drive
    SelectDriveAndRescan();
}

}  // namespace gauzel

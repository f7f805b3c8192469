// The View commands: the pie by folder, kind or age, by size or number of files, and the largest
// files. Every view is made from the last rescan: switching never reads the disk.

#include <QAction>

#include "core/display/format_size.h"
#include "legend/od_list_box.h"
#include "ui/message_box.h"
#include "view/gauzel_view.h"
#include "view/largest_files_dlg.h"

namespace gauzel {

void CGauzelView::UpdateRows() {
    m_rows.reset();
    m_rowsComparison.reset();
    if (m_viewBy == RowsBy::kFolder && !m_countFiles) return;  // the entries themselves
    if (!m_profile.IsComplete()) return;
    const auto rowsOf = [this](const Profile& profile, const std::optional<FileStats>& stats) {
        if (m_viewBy == RowsBy::kFolder) return profile.CountedByFiles();
        return stats ? RowsOf(profile, *stats, m_viewBy, m_countFiles) : Profile(profile.m_strPath, false);
    };
    m_rows = rowsOf(m_profile, m_stats);
    if (!m_comparison) return;
    std::optional<Profile> before;
    if (m_comparison->found) before = rowsOf(m_comparison->before, m_statsBefore);
    m_rowsComparison = Compare(*m_rows, std::move(before), m_comparison->timestamp);
    m_rowsComparison->reached = m_comparison->reached;
}

void CGauzelView::ShowRows() {
    UpdateRows();
    m_lbLegend->SetRowCount(static_cast<int>(GetProfile().EntryCount()));
    m_bPieStale = true;
    FitLegend();
    update();
    m_lbLegend->viewport()->update();
}

void CGauzelView::SetViewBy(RowsBy by) {
    if (by == RowsBy::kType) return;  // the report's alone
    m_viewBy = by;
    WriteSetting(kSectionView, kKeyBy, RowsByName(by));
    ShowRows();
}

void CGauzelView::OnCountFiles() {
    m_countFiles = !m_countFiles;
    WriteSetting(kSectionView, kKeyCount, m_countFiles ? "1" : "0");
    ShowRows();
}

void CGauzelView::OnUpdateView(QAction* byFolder, QAction* byKind, QAction* byAge,
                               QAction* countFiles) const {
    byFolder->setChecked(m_viewBy == RowsBy::kFolder);
    byKind->setChecked(m_viewBy == RowsBy::kKind);
    byAge->setChecked(m_viewBy == RowsBy::kAge);
    countFiles->setChecked(m_countFiles);
}

std::string CGauzelView::RowNote(std::size_t row) const {
    if (m_viewBy != RowsBy::kKind || !m_stats || !m_rows || row >= m_rows->EntryCount()) return {};
    const std::string& name = m_rows->m_listNames[row];
    for (std::size_t i = 0; i < kKindCount; ++i) {
        if (name != KindName(static_cast<Kind>(i))) continue;
        std::string note = "\nThe largest types:";
        for (const auto& [type, tally] : TypesOfKind(*m_stats, static_cast<Kind>(i), 5)) {
            const ByteCount shown = m_countFiles ? ByteCount{tally.files} : tally.bytes;
            note +=
                "\n" + type + ": " + gauzel::FormatSize(shown, ShownUnits()) + UnitWord(shown, ShownUnits());
        }
        return note;
    }
    return {};
}

void CGauzelView::OnLargestFiles(std::optional<std::size_t> row) {
    if (!m_stats) return;
    std::optional<LargestFilesDlg::Only> only;
    if (row && m_rows && *row < m_rows->EntryCount() && m_viewBy != RowsBy::kFolder)
        only = LargestFilesDlg::Only{m_viewBy, m_rows->m_listNames[*row]};
    LargestFilesDlg dialog(window(), *m_stats, only, UnitsOf(m_nUnits));
    connect(&dialog, &LargestFilesDlg::copyPath, this, [this](const std::string& path) { CopyPath(path); });
    connect(&dialog, &LargestFilesDlg::openFolder, this, [this](const std::string& path) {
        OpenInFileManager(path.substr(0, path.rfind('\\')));  // the file's directory
    });
    dialog.exec();
}

}  // namespace gauzel

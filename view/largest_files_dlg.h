#pragma once
// "Largest Files": the largest files of the profiled tree, as the last rescan kept them, or only
// those of one kind or age band. Copy Path and Open Containing Folder are the view's: the dialog
// asks for them by the file's logical path.

#include <QDialog>
#include <optional>
#include <string>

#include "core/display/format_size.h"
#include "core/kinds/file_stats.h"
#include "core/kinds/rows.h"

class QTreeWidget;

namespace gauzel {

class LargestFilesDlg final : public QDialog {
    Q_OBJECT

public:
    // Only the files of one row of the kinds or the age bands.
    struct Only {
        RowsBy by;
        std::string name;
    };
    LargestFilesDlg(QWidget* parent, const FileStats& stats, const std::optional<Only>& only, Units units);

    // The logical path of the file selected (none: no row).
    std::optional<std::string> SelectedPath() const;

signals:
    void copyPath(const std::string& path);
    void openFolder(const std::string& path);

protected:
    // The list's keys: Ctrl+C copies the path (not the cell's text), Enter opens the folder.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Ask(void (LargestFilesDlg::*signal)(const std::string&));
    QTreeWidget* m_list;
};

}  // namespace gauzel

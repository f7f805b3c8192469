#include "view/largest_files_dlg.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/display/escape.h"
#include "core/saved/saved_scan.h"

namespace gauzel {

namespace {

enum Column { kSize, kModified, kKind, kPath };
constexpr int kPathRole = Qt::UserRole;     // the logical path, raw
constexpr int kKeyRole = Qt::UserRole + 1;  // what the column sorts by

// A row that sorts by its column's key (a size or a time as a number), not its text.
class FileRow final : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem& other) const override {
        const int column = treeWidget() != nullptr ? treeWidget()->sortColumn() : kSize;
        const QVariant a = data(column, kKeyRole);
        const QVariant b = other.data(column, kKeyRole);
        if (a.isValid() && b.isValid()) return a.toLongLong() < b.toLongLong();
        return text(column) < other.text(column);
    }
};

}  // namespace

LargestFilesDlg::LargestFilesDlg(QWidget* parent, const FileStats& stats, const std::optional<Only>& only,
                                 Units units)
    : QDialog(parent), m_list(new QTreeWidget(this)) {
    setObjectName("IDD_LARGEST_FILES");
    setWindowTitle(only ? QString("Largest Files: %1").arg(QString::fromStdString(only->name))
                        : QString("Largest Files"));
    m_list->setObjectName("IDC_LARGEST_LIST");
    m_list->setColumnCount(4);
    m_list->setHeaderLabels({"Size", "Modified", "Kind", "Path"});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    QList<QTreeWidgetItem*> rows;
    stats.ForLargest([&](const LargeFile& file) {
        if (only && !IsOfRow(file, only->by, only->name, stats.What().start)) return;
        auto* row = new FileRow;
        row->setText(kSize, QString::fromStdString(FormatSize(file.size, units)));
        row->setData(kSize, kKeyRole, static_cast<qlonglong>(file.size));
        row->setTextAlignment(kSize, Qt::AlignRight | Qt::AlignVCenter);
        row->setText(kModified, file.mtime == kUnknownTime ? QString("(no time known)")
                                                           : QString::fromStdString(ScanDate(file.mtime)));
        row->setData(kModified, kKeyRole, static_cast<qlonglong>(file.mtime));
        row->setText(kKind, KindName(file.kind));
        row->setText(kPath, QString::fromStdString(EscapeControls(file.path)));
        row->setData(kPath, kPathRole, QByteArray::fromStdString(file.path));
        rows.append(row);
    });
    m_list->addTopLevelItems(rows);
    m_list->setSortingEnabled(true);
    m_list->sortByColumn(kSize, Qt::DescendingOrder);  // largest first, as kept: equal sizes by path
    for (int column = kSize; column < kPath; ++column) m_list->resizeColumnToContents(column);
    if (!rows.isEmpty()) m_list->setCurrentItem(m_list->topLevelItem(0));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* copy = buttons->addButton("Copy Path", QDialogButtonBox::ActionRole);
    QPushButton* open = buttons->addButton("Open Containing Folder", QDialogButtonBox::ActionRole);
    copy->setObjectName("IDC_COPY_PATH");
    open->setObjectName("IDC_OPEN_FOLDER");
    for (QPushButton* button : {copy, open}) {
        button->setAutoDefault(false);  // Enter opens the folder, Esc closes
        button->setEnabled(!rows.isEmpty());
    }
    connect(copy, &QPushButton::clicked, this, [this] { Ask(&LargestFilesDlg::copyPath); });
    connect(open, &QPushButton::clicked, this, [this] { Ask(&LargestFilesDlg::openFolder); });
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] { Ask(&LargestFilesDlg::openFolder); });
    m_list->installEventFilter(this);
    buttons->button(QDialogButtonBox::Close)->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addWidget(buttons);
    resize(760, 420);
}

std::optional<std::string> LargestFilesDlg::SelectedPath() const {
    const QTreeWidgetItem* row = m_list->currentItem();
    if (row == nullptr) return std::nullopt;
    return row->data(kPath, kPathRole).toByteArray().toStdString();
}

void LargestFilesDlg::Ask(void (LargestFilesDlg::*signal)(const std::string&)) {
    if (const std::optional<std::string> path = SelectedPath()) emit(this->*signal)(*path);
}

bool LargestFilesDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_list || event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->matches(QKeySequence::Copy)) {
        Ask(&LargestFilesDlg::copyPath);
        return true;
    }
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        Ask(&LargestFilesDlg::openFolder);
        return true;
    }
    return false;
}

}  // namespace gauzel

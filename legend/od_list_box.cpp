#include "legend/od_list_box.h"

#include <algorithm>

#include <QAbstractItemDelegate>
#include <QAbstractListModel>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QTimer>

#include "core/display/format_size.h"
#include "core/display/summary.h"
#include "legend/legend_source.h"
#include "ui/dialog_units.h"
#include "ui/message_box.h"
#include "ui/paint_trace.h"

namespace gauzel {

// Rows without data of their own: the count, and a text for screen readers.
class LegendRows final : public QAbstractListModel {
public:
    explicit LegendRows(const LegendSource& source, QObject* parent)
        : QAbstractListModel(parent), m_source(source) {}

    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : m_count;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        const Profile& profile = m_source.GetProfile();
        const auto row = static_cast<std::size_t>(index.row());
        if (!profile.IsComplete() || row >= profile.EntryCount()) return {};
        const Comparison* comparison = m_source.Compared();
        const Units units = m_source.ShownUnits();
        if (role == Qt::AccessibleTextRole)
            return QString::fromStdString(EntryName(profile, row) + ", " +
                                          SizeAndChangeText(profile, comparison, row, units));
        if (role == Qt::ToolTipRole || role == Qt::AccessibleDescriptionRole)
            return QString::fromStdString(EntryDescription(profile, row, units) +
                                          (comparison != nullptr
                                               ? ChangeDescription(profile, *comparison, row, units)
                                               : std::string()) +
                                          m_source.RowNote(row));
        return {};
    }
    void Reset(int count) {
        beginResetModel();
        m_count = count;
        endResetModel();
    }

private:
    const LegendSource& m_source;
    int m_count = 0;
};

namespace {

class LegendDelegate final : public QAbstractItemDelegate {
public:
    explicit LegendDelegate(const COdListBox& list) : QAbstractItemDelegate(nullptr), m_list(list) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        m_list.DrawItem(*painter, option.rect, index.row(), option.state & QStyle::State_Selected,
                        option.state & QStyle::State_HasFocus);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
        return QSize(option.rect.width(), m_list.MeasureItem());
    }

private:
    const COdListBox& m_list;
};

}  // namespace

COdListBox::COdListBox(const LegendSource& source, MessageBoxes& messages, QWidget* parent)
    : QListView(parent), m_source(source), m_messages(messages), m_rows(new LegendRows(source, this)) {
    setObjectName("IDC_LEGEND");
    setAccessibleName("Legend");
    setModel(m_rows);
    setItemDelegate(new LegendDelegate(*this));
    itemDelegate()->setParent(this);
    setUniformItemSizes(true);  // row i is found by arithmetic, never by walking the rows
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::Box);
    setFrameShadow(QFrame::Plain);
    setLineWidth(1);
}

void COdListBox::SetRowCount(int rows) {
    m_rows->Reset(rows);
    // New rows start unselected: Enter must not descend into a row the user never chose.
    selectionModel()->clear();
}

int COdListBox::RowCount() const { return m_rows->rowCount(); }

int COdListBox::CurrentSelection() const {
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.front().row();
}

void COdListBox::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && CurrentSelection() >= 0) {
        emit activatedByKey();
        return;
    }
    QListView::keyPressEvent(event);
}

void COdListBox::contextMenuEvent(QContextMenuEvent* event) {
    // The menu key acts on the selected row; the mouse on the row under it.
    const bool byKey = event->reason() == QContextMenuEvent::Keyboard;
    const int row = byKey ? CurrentSelection() : indexAt(viewport()->mapFromGlobal(event->globalPos())).row();
    if (row < 0) return;
    const QModelIndex index = m_rows->index(row);
    setCurrentIndex(index);  // the row acted on is the row shown selected
    emit rowMenuRequested(row,
                          byKey ? viewport()->mapToGlobal(visualRect(index).center()) : event->globalPos());
}

int COdListBox::SizeTextShortfall() const {
    const Profile& profile = m_source.GetProfile();
    if (!profile.IsComplete()) return 0;
    // Digits are of one width in a UI font: the widest text is the largest size's, or the largest
    // of those marked "+"; with the changes beside them, any row's.
    const QFontMetrics metrics(font());
    const Comparison* comparison = m_source.Compared();
    const auto widthOf = [&](std::size_t entry) {
        return metrics.horizontalAdvance(
            QString::fromStdString(SizeAndChangeText(profile, comparison, entry, m_source.ShownUnits())));
    };
    int widest = widthOf(0);
    for (std::size_t i = 0; i < profile.EntryCount(); ++i)
        if (comparison != nullptr) {
            widest = std::max(widest, widthOf(i));
        } else if (profile.UnreadBelow(i).Any()) {
            widest = std::max(widest, widthOf(i));
            break;
        }
    const int rowWidth =
        width() - 2 * frameWidth() - style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    return kSizeX + widest + kTextPadding - rowWidth;
}

void COdListBox::paintEvent(QPaintEvent* event) {
    QListView::paintEvent(event);
    TracePaint("legend");
}

void COdListBox::DrawItem(QPainter& painter, const QRect& rect, int row, bool selected, bool focus) const {
    const Profile& profile = m_source.GetProfile();
    if (row < 0) return;

    const int left = rect.left();
    const int top = rect.top();
    const int bottom = top + rect.height();
    const QPalette& colours = palette();
    const QColor background = selected ? colours.color(QPalette::Highlight) : colours.color(QPalette::Base);
    const QColor text = selected ? colours.color(QPalette::HighlightedText) : colours.color(QPalette::Text);

    painter.save();
    painter.fillRect(rect, background);
    painter.fillRect(QRect(left, top, kSwatchColumn - left, rect.height()), colours.color(QPalette::Base));

    const std::size_t names = profile.m_listNames.size();
    const std::size_t sizes = profile.m_listSizes.size();
    const auto entry = static_cast<std::size_t>(row);
    if (entry >= names || sizes == 0 || names != sizes || entry >= profile.m_pEntryColors.size()) {
        ReportInconsistency(row, names, sizes);
        painter.restore();
        return;
    }

    // An 18 x 18 square with a one-pixel outline, inside the 20-pixel column.
    painter.setPen(QPen(Qt::black, 0));
    painter.setBrush(ToQColor(profile.m_pEntryColors[entry]));
    painter.drawRect(
        QRect(left + 1, top + 1, kSwatchColumn - 1 - (left + 1) - 1, bottom - 1 - (top + 1) - 1));

    // Texts are opaque: the size, drawn last, covers whatever of a long name runs under it.
    painter.setPen(text);
    const QFontMetrics metrics = painter.fontMetrics();
    auto drawOpaque = [&](int x, const QString& words) {
        const QRect cell(x, top + 3, metrics.horizontalAdvance(words), metrics.height());
        painter.fillRect(cell, background);
        painter.drawText(cell, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, words);
    };
    // A long name ends in an ellipsis at the size column (the tooltip has it whole).
    const QString name = QString::fromStdString(EntryName(profile, entry));
    drawOpaque(left + kNameX, metrics.elidedText(name, Qt::ElideRight, kSizeX - kNameX - 1));
    const Units units = m_source.ShownUnits();
    drawOpaque(left + kSizeX, QString::fromStdString(EntrySizeText(profile, entry, units)));
    // The change since a saved scan ends at the row's right edge: the changes line up by their
    // last digit, and the list is wide enough for the widest size and change side by side.
    if (const Comparison* comparison = m_source.Compared()) {
        const QString change = QString::fromStdString(ChangeText(profile, *comparison, entry, units));
        drawOpaque(rect.right() - kTextPadding - metrics.horizontalAdvance(change), change);
    }

    if (focus) {
        painter.setPen(QPen(text, 0, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(
            QRect(left + kSwatchColumn, top, rect.right() - (left + kSwatchColumn), rect.height() - 1));
    }
    painter.restore();
}

void COdListBox::ReportInconsistency(int row, std::size_t names, std::size_t sizes) const {
    // Painting cannot wait for a modal box: it is shown once painting is over, one at a time.
    if (m_bReportPending) return;
    m_bReportPending = true;
    const QString text = QString("FATAL ERROR\n\nid plain = %1\nid int = %2\ncountname = %3\ncountsize = %4")
                             .arg(row)
                             .arg(row)
                             .arg(names)
                             .arg(sizes);
    QTimer::singleShot(0, const_cast<COdListBox*>(this), [this, text] {
        m_messages.Show(const_cast<COdListBox*>(this), text);
        m_bReportPending = false;
    });
}

}  // namespace gauzel

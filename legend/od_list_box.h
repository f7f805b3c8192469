#pragma once
// The legend: one row per entry of the profile, each drawn from the source's profile by its
// index: a colour swatch, the name, the size in the current units. The list keeps nothing per
// row but the row count.

#include <QListView>

#include "core/display/layout.h"

namespace gauzel {

class LegendSource;
class MessageBoxes;
class LegendRows;

class COdListBox final : public QListView {
    Q_OBJECT

public:
    static constexpr int kSwatchColumn = 20;  // a fixed x, not relative to the row
    static constexpr int kNameX = 21;
    static constexpr int kSizeX = 101;
    static constexpr int kTextPadding = 3;  // a little air after the last text of a row

    COdListBox(const LegendSource& source, MessageBoxes& messages, QWidget* parent);

    // The rows after a rescan: one per entry, row i standing for entry i.
    void SetRowCount(int rows);
    int RowCount() const;
    // The selected row, or -1.
    int CurrentSelection() const;

    // Draws row `row` into `rect`, from entry `row` of the source's profile.
    void DrawItem(QPainter& painter, const QRect& rect, int row, bool selected, bool focus) const;
    int MeasureItem() const { return kLegendItemHeight; }
    // How much wider than now the list box must be for every size text of the profile to be
    // drawn whole after kSizeX (a vertical scroll bar counted in); 0 or less: they fit.
    int SizeTextShortfall() const;

signals:
    // Enter or Return on a row: the keyboard's double-click.
    void activatedByKey();
    // A right-click (or the menu key) on row `row`, which is now selected.
    void rowMenuRequested(int row, QPoint globalPos);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void ReportInconsistency(int row, std::size_t names, std::size_t sizes) const;

    const LegendSource& m_source;
    MessageBoxes& m_messages;
    LegendRows* m_rows;
    mutable bool m_bReportPending = false;
};

}  // namespace gauzel

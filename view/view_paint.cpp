// The view's painting: the pie and the summary, after the start-up timer has run.

#include <QPainter>
#include <QPen>
#include <algorithm>
#include <cmath>

#include "core/commands/navigation.h"
#include "core/display/pie.h"
#include "core/display/summary.h"
#include "ui/dialog_units.h"
#include "ui/message_box.h"
#include "ui/paint_trace.h"
#include "view/gauzel_view.h"
#include "view/pie_painter.h"

namespace gauzel {

namespace {

constexpr int kStartupDelayMs = 100;

}  // namespace

void CGauzelView::paintEvent(QPaintEvent*) { OnPaint(); }

void CGauzelView::OnPaint() {
    if (!m_bTimerStarted) {
        // The first paint only defers the start-up, so the window is on screen before the
        // first, possibly long, scan.
        m_nStartupTimer = startTimer(kStartupDelayMs);
        m_bTimerStarted = true;
        return;
    }
    if (!(m_profile.IsComplete() || m_profile.m_bStopped)) return;
    TracePaint("view-begin");
    QPainter painter(this);
    if (m_profile.IsComplete()) DrawPie(painter);
    DrawSummary(painter);
    TracePaint("view");
}

void CGauzelView::DrawPie(QPainter& painter) {
    const Rect square = m_layout.m_rectPie;
    const qreal scale = devicePixelRatioF();
    // Drawn once for a profile, the units and a square; a repaint (an expose, a resize step)
    // shows the picture. The picture is transparent around the pie, so its pixels are exactly
    // those drawn directly.
    // A new square (a resize step) places the same wedges anew.
    if (m_bPieStale) m_pieWedges = ComputePieWedges(GetProfile());
    if (m_bPieStale || square != m_pieSquare || scale != m_pieImage.devicePixelRatio()) {
        const std::vector<PieSlice> slices = PlacePieSlices(m_pieWedges, square);
        m_pieImage = QImage(QSize(std::max(square.Width(), 1), std::max(square.Height(), 1)) * scale,
                            QImage::Format_ARGB32_Premultiplied);
        m_pieImage.setDevicePixelRatio(scale);
        m_pieImage.fill(Qt::transparent);
        QPainter pie(&m_pieImage);
        pie.translate(-square.left, -square.top);
        DrawPieSlices(pie, square, slices);
        m_pieSquare = square;
        m_bPieStale = false;
    }
    painter.drawImage(QPoint(square.left, square.top), m_pieImage);
}

void CGauzelView::DrawSummary(QPainter& painter) {
    const SummaryLines lines = MakeSummaryLines(m_profile, UnitsOf(m_nUnits));
    const SummaryBaselines baselines = MakeSummaryBaselines(height(), painter.fontMetrics().height());
    const int x = m_layout.m_nMargin;
    // Counted, the tree line is a number of files; the free space stays in bytes.
    std::string tree = m_countFiles ? FilesInTreeLine(m_profile) : lines.tree;
    if (m_profile.m_leftOut != 0) tree += " (" + Decimal(m_profile.m_leftOut) + " left out)";
    const std::optional<Comparison>& comparison = ShownComparison();
    if (comparison) tree += TreeChangeText(GetProfile(), *comparison, ShownUnits());
    painter.drawText(QPoint(x, baselines.tree), QString::fromStdString(tree));
    painter.drawText(QPoint(x, baselines.freeSpace), QString::fromStdString(lines.freeSpace));
    painter.drawText(QPoint(x, baselines.path), QString::fromUtf8(lines.path.c_str()));
}

void CGauzelView::OnLButtonDblClk(QPoint point) {
    const std::optional<std::size_t> slice =
        HitTestPie(m_layout.m_rectPie, {m_layout.m_ptPieCenter, m_layout.m_nPieRadius}, m_pieWedges.endAngles,
                   {point.x(), point.y()});
    if (!slice || *slice >= GetProfile().EntryCount()) return;
    if (m_viewBy != RowsBy::kFolder) return OnLargestFiles(*slice);
    if (GetProfile().IsFilesEntry(*slice)) {
        m_services.messages.Show(this, kNoInfoOnFilesMessage);
        return;
    }
    DescendInto(*slice);
}

}  // namespace gauzel

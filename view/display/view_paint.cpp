// The view's painting: the pie and the summary, after the start-up timer has run.

#include <QPainter>
#include <QPen>
#include <cmath>

#include "app/dialog_units.h"
#include "app/message_box.h"
#include "view/display/pie.h"
#include "view/display/summary.h"
#include "view/gauzel_view.h"

namespace gauzel {

namespace {

constexpr int kStartupDelayMs = 100;

// Qt's pie angles are in sixteenths of a degree, counter-clockwise from 3 o'clock.
int Sixteenths(double degrees) { return static_cast<int>(std::lround(degrees * 16.0)); }

// The angle of a point on the outline, seen from the drawing centre (left + W/2, top + H/2).
double RadialAngle(Rect rect, Point point) {
    return AngleOfPoint({rect.left + rect.Width() / 2, rect.top + rect.Height() / 2}, point);
}

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
    if (m_bScanning || !m_profile.IsComplete()) return;
    QPainter painter(this);
    DrawPie(painter);
    DrawSummary(painter);
}

void CGauzelView::DrawPie(QPainter& painter) {
    const Rect square = m_layout.m_rectPie;
    const std::vector<PieSlice> slices = ComputePieSlices(m_profile, square);
    m_listAngles.clear();
    for (const PieSlice& slice : slices) m_listAngles.push_back(slice.endAngle);

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(Qt::black, 0));
    // The outline's right and bottom pixels stay inside the square, as with an exclusive edge.
    const QRect ellipse(square.left, square.top, square.Width() - 1, square.Height() - 1);
    for (const PieSlice& slice : slices) {
        painter.setBrush(ToQColor(slice.colour));
        if (slice.start == slice.end) {
            painter.drawEllipse(ellipse);  // the whole ellipse, over what came before
            continue;
        }
        const double from = RadialAngle(square, slice.start);
        double span = RadialAngle(square, slice.end) - from;
        if (span <= 0) span += 360.0;
        painter.drawPie(ellipse, Sixteenths(from), Sixteenths(span));
    }
    painter.restore();
}

void CGauzelView::DrawSummary(QPainter& painter) {
    const SummaryLines lines = MakeSummaryLines(m_profile, m_nUnits);
    const SummaryBaselines baselines = MakeSummaryBaselines(height(), painter.fontMetrics().height());
    const int x = m_layout.m_nMargin;
    painter.drawText(QPoint(x, baselines.tree), QString::fromStdString(lines.tree));
    painter.drawText(QPoint(x, baselines.freeSpace), QString::fromStdString(lines.freeSpace));
    painter.drawText(QPoint(x, baselines.path), QString::fromUtf8(lines.path.c_str()));
}

void CGauzelView::OnLButtonDblClk(QPoint point) {
    const std::optional<std::size_t> slice =
        HitTestPie(m_layout.m_rectPie, {m_layout.m_ptPieCenter, m_layout.m_nPieRadius}, m_listAngles, {point.x(), point.y()});
    if (!slice || m_bScanning || *slice >= m_profile.EntryCount()) return;
    if (m_profile.IsFilesEntry(*slice)) {
        m_services.messages.Show(this, kNoInfoOnFilesMessage);
        return;
    }
    GoTo(m_profile.m_strPath + '\\' + m_profile.m_listNames[*slice], true);
}

}  // namespace gauzel

#include "view/pie_painter.h"

#include <QPen>
#include <cmath>

#include "ui/dialog_units.h"

namespace gauzel {

namespace {

// Qt's pie angles are in sixteenths of a degree, counter-clockwise from 3 o'clock.
int Sixteenths(double degrees) { return static_cast<int>(std::lround(degrees * 16.0)); }

// The angle of a point on the outline, seen from the drawing centre (left + W/2, top + H/2).
double RadialAngle(Rect rect, Point point) {
    return AngleOfPoint({rect.left + rect.Width() / 2, rect.top + rect.Height() / 2}, point);
}

bool WholeEllipse(const PieSlice& slice) { return slice.start == slice.end; }

}  // namespace

void DrawPieSlices(QPainter& painter, Rect square, const std::vector<PieSlice>& slices, bool skipCovered) {
    // The last whole ellipse covers every pixel that an earlier one drew: those are left out.
    // (A slice with two ends may draw outline pixels just outside it, so those are all drawn.)
    std::size_t lastWhole = 0;
    if (skipCovered)
        for (std::size_t i = slices.size(); i-- > 0;)
            if (WholeEllipse(slices[i])) {
                lastWhole = i;
                break;
            }

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(Qt::black, 0));
    // The outline's right and bottom pixels stay inside the square, as with an exclusive edge.
    const QRect ellipse(square.left, square.top, square.Width() - 1, square.Height() - 1);
    for (std::size_t i = 0; i < slices.size(); ++i) {
        const PieSlice& slice = slices[i];
        if (WholeEllipse(slice) && i < lastWhole) continue;
        painter.setBrush(ToQColor(slice.colour));
        if (WholeEllipse(slice)) {
            painter.drawEllipse(ellipse);
            continue;
        }
        const double from = RadialAngle(square, slice.start);
        double span = RadialAngle(square, slice.end) - from;
        if (span <= 0) span += 360.0;
        painter.drawPie(ellipse, Sixteenths(from), Sixteenths(span));
    }
    painter.restore();
}

}  // namespace gauzel

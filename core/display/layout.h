#pragma once
// Where the legend list box and the pie go: once when the start-up timer ticks, and at every
// size change after that. Pixels, in the view's client coordinates.

#include "core/display/geometry.h"
#include "core/display/pie.h"

namespace gauzel {

inline constexpr int kHeaderSpace = 60;       // strip kept free below the list for the summary
inline constexpr int kLegendItemHeight = 20;  // the list box's height is a multiple of this

struct ViewLayout {
    int m_nMargin = 0;  // the list box's left offset; also the summary's left edge
    int m_nHeaderSpace = kHeaderSpace;
    Rect m_rectList;  // the legend list box
    Rect m_rectPie;   // the pie's square, odd side
    int m_nPieRadius = 0;
    Point m_ptPieCenter;
    int m_nListWidened = 0;  // pixels the list box is wider than its template, for its sizes
};

struct TimerLayout {
    ViewLayout layout;
    bool moveList;  // the list box's height was trimmed and the box must be moved
};

// At the start-up timer: from the list box's and the view's window rectangles (screen
// coordinates) and the screen position of the view's client origin.
TimerLayout LayoutAtTimer(Rect listWindow, Rect viewWindow, Point clientOrigin);

// At a size change to `client` (the view's client rectangle): the list box follows the height,
// the pie stays square within what is left. Left and top of the pie stay.
void LayoutAtSize(ViewLayout& layout, Rect client);

// Makes the list box `widened` pixels wider than its template (so that every size text fits)
// and lays out again for `client`: the pie starts two margins right of the list box, as at the
// timer, and stays square within what is left. 0 gives the layout of the template.
void WidenList(ViewLayout& layout, int widened, Rect client);

}  // namespace gauzel

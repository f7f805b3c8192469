#include "core/display/layout.h"

namespace gauzel {

static void SetPieSide(ViewLayout& layout, int side) {
    layout.m_rectPie.right = layout.m_rectPie.left + side;
    layout.m_rectPie.bottom = layout.m_rectPie.top + side;
    const PieDisc disc = PieDiscOf(layout.m_rectPie);
    layout.m_nPieRadius = disc.radius;
    layout.m_ptPieCenter = disc.center;
}

// Trims the list box's bottom so that its height is a whole number of legend rows.
static int TrimToRows(Rect& list) {
    const int excess = list.Height() % kLegendItemHeight;
    list.bottom -= excess;
    return excess;
}

TimerLayout LayoutAtTimer(Rect listWindow, Rect viewWindow, Point clientOrigin) {
    ViewLayout layout;
    layout.m_nMargin = listWindow.left - viewWindow.left;
    layout.m_nHeaderSpace = kHeaderSpace;

    Rect& pie = layout.m_rectPie;
    pie.left = listWindow.Width() + 3 * layout.m_nMargin;
    pie.top = 2 * layout.m_nMargin;
    pie.bottom = listWindow.bottom - viewWindow.top;
    if (pie.Height() % 2 == 0) pie.bottom += 1;
    SetPieSide(layout, pie.Height());

    layout.m_rectList = {listWindow.left - clientOrigin.x, listWindow.top - clientOrigin.y,
                         listWindow.right - clientOrigin.x, listWindow.bottom - clientOrigin.y};
    const bool trimmed = TrimToRows(layout.m_rectList) != 0;
    return {layout, trimmed};
}

void LayoutAtSize(ViewLayout& layout, Rect client) {
    layout.m_rectList.bottom = client.bottom - layout.m_nHeaderSpace;
    TrimToRows(layout.m_rectList);

    const int available = client.right - 2 * layout.m_nMargin - layout.m_rectPie.left;
    const int below = layout.m_rectList.bottom - layout.m_rectPie.top;
    int side = below < available ? below : available;
    if (side < 1) side = 1;  // a widened list may leave no room: a dot, never a negative square
    if (side % 2 == 0) side += 1;
    SetPieSide(layout, side);
}

void WidenList(ViewLayout& layout, int widened, Rect client) {
    const int by = widened - layout.m_nListWidened;
    layout.m_rectList.right += by;
    layout.m_rectPie.left += by;
    layout.m_nListWidened = widened;
    LayoutAtSize(layout, client);
}

}  // namespace gauzel

#include "ui/dialog_units.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>

namespace gauzel {

DialogUnits DialogUnitsOf(const QFont& font) {
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return {(letters / 26 + 1) / 2, metrics.height()};
}

QRect DialogRect(const DialogUnits& units, int x, int y, int width, int height) {
    return ToQRect(units.Map(x, y, width, height));
}

void CenterRectOnScreen(QRect& rect) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    Rect centred = FromQRect(rect);
    CenterRectOnScreen(centred, screen->geometry().width(), screen->geometry().height());
    rect = ToQRect(centred);
}

}  // namespace gauzel

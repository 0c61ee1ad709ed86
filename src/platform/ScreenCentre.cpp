#include "ScreenCentre.h"

#include "WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

void ScreenCentre::place(QWidget *window)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    window->move(area.left() + WindowPlacement::coordinate(-1, area.width(), window->width()),
                 area.top() + WindowPlacement::coordinate(-1, area.height(), window->height()));
}

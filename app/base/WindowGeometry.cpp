#include "base/WindowGeometry.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace WindowGeometry {

QRect availableArea(const QWidget *window)
{
    QScreen *screen = nullptr;
    if (window && window->windowHandle())
        screen = window->windowHandle()->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1280, 720);
}

QRect normalGeometry(const QRect &area)
{
    const int width = area.right() - area.left();
    const int height = area.bottom() - area.top();
    return QRect(area.left() + (width - 1279) / 2, area.top() + (height - 719) / 2, 1280, 720);
}

QPoint centred(const QRect &screen, const QSize &size)
{
    return QPoint((screen.width() - size.width()) / 2, (screen.height() - size.height()) / 2);
}

} // namespace WindowGeometry

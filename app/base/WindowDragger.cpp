#include "base/WindowDragger.h"

#include "base/SignalProxy.h"

#include <QMouseEvent>
#include <QWidget>

WindowDragger::WindowDragger(QWidget *handle, Region grabs, Mover move)
    : QObject(handle)
    , m_grabs(std::move(grabs))
    , m_move(std::move(move))
{
    handle->installEventFilter(this);
}

WindowDragger *WindowDragger::byTop(QWidget *window, int height)
{
    return new WindowDragger(
        window, [height](const QPoint &pos, const QSize &) { return pos.y() < height; },
        [window](const QPoint &offset) { window->move(window->pos() + offset); });
}

WindowDragger *WindowDragger::titleBar(QWidget *bar, int buttonsWidth)
{
    return new WindowDragger(
        bar,
        [buttonsWidth](const QPoint &pos, const QSize &size) {
            return titleBarGrabs(pos.x(), size.width(), buttonsWidth);
        },
        [](const QPoint &offset) { emit SignalProxy::instance()->signal_moveWidget(offset.x(), offset.y()); });
}

bool WindowDragger::titleBarGrabs(int x, int width, int buttonsWidth)
{
    return x < width - buttonsWidth;
}

bool WindowDragger::eventFilter(QObject *watched, QEvent *event)
{
    auto *widget = static_cast<QWidget *>(watched);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton && m_grabs(mouse->pos(), widget->size())) {
            m_dragging = true;
            m_pressPos = mouse->pos();
        }
        break;
    }
    case QEvent::MouseMove: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        // The widget moves with the window, so its own coordinates give the
        // step since the last move.
        if (m_dragging && (mouse->buttons() & Qt::LeftButton))
            m_move(mouse->pos() - m_pressPos);
        break;
    }
    case QEvent::MouseButtonRelease:
        m_dragging = false;
        break;
    default:
        break;
    }
    return false;
}

#pragma once

#include <QObject>
#include <QPoint>
#include <QSize>
#include <functional>

class QWidget;

// Drags a frameless window by part of a widget. A left press where
// `grabs(pos, size)` allows starts a drag; while the button is held each move
// hands `move` the offset from the press point; the release ends it.
class WindowDragger : public QObject
{
public:
    using Region = std::function<bool(const QPoint &pos, const QSize &size)>;
    using Mover = std::function<void(const QPoint &offset)>;

    WindowDragger(QWidget *handle, Region grabs, Mover move);

    // The handle's own window follows presses within its top `height` pixels.
    static WindowDragger *byTop(QWidget *window, int height);
    // A title bar: presses anywhere but its rightmost `buttonsWidth` pixels
    // emit signal_moveWidget, which moves the main window and its tool strip.
    static WindowDragger *titleBar(QWidget *bar, int buttonsWidth = 170);
    // Whether a press at x in a bar of `width` starts a drag.
    static bool titleBarGrabs(int x, int width, int buttonsWidth = 170);

    bool dragging() const { return m_dragging; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Region m_grabs;
    Mover m_move;
    bool m_dragging = false;
    QPoint m_pressPos;
};

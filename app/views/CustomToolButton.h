#pragma once

#include <QToolButton>

// The volume button: dragging across it while pressed sets the volume, in
// six steps of picture.
class CustomToolButton : public QToolButton
{
    Q_OBJECT
public:
    explicit CustomToolButton(QWidget *parent = nullptr);

    // Shows volume_<level>.png, 0 to 5.
    void showLevel(int level);
    int level() const { return m_level; }

signals:
    // 0 to 1.0 across the button.
    void signal_setvolume(double d);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    bool m_pressed = false;
    int m_level = -1;
};

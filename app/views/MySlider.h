#pragma once

#include <QSlider>

// The progress slider: a press anywhere on the groove jumps there.
class MySlider : public QSlider
{
    Q_OBJECT
public:
    explicit MySlider(QWidget *parent = nullptr);

signals:
    // The value under the pointer, when it differs from the handle's.
    void signal_click(int value);

protected:
    void mousePressEvent(QMouseEvent *event) override;
};

#include "views/MySlider.h"

#include "views/PlaybackRules.h"

#include <QMouseEvent>

MySlider::MySlider(QWidget *parent)
    : QSlider(Qt::Horizontal, parent)
{
    setRange(0, 100);
}

void MySlider::mousePressEvent(QMouseEvent *event)
{
    QSlider::mousePressEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    const int value = PlaybackRules::sliderValueAt(minimum(), maximum(), event->pos().x(), width());
    if (value != sliderPosition())
        emit signal_click(value);
}

#include "base/QLightBoxWidget.h"

#include <QEvent>
#include <QPainter>

QLightBoxWidget::QLightBoxWidget(QWidget *parent)
    : QWidget(parent)
{
    parent->installEventFilter(this);
    hide();
}

bool QLightBoxWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget() && (event->type() == QEvent::Resize || event->type() == QEvent::Show))
        coverParent();
    return QWidget::eventFilter(watched, event);
}

void QLightBoxWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0, 0, 0, 190));
}

void QLightBoxWidget::showEvent(QShowEvent *event)
{
    coverParent();
    raise();
    QWidget::showEvent(event);
}

void QLightBoxWidget::coverParent()
{
    setGeometry(parentWidget()->rect());
}

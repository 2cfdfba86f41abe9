#include "views/GraphicWidget.h"

GraphicWidget::GraphicWidget(QWidget *parent)
    : QGraphicsView(parent)
{
}

void GraphicWidget::wheelEvent(QWheelEvent *)
{
}

#include "views/SpinItem.h"

#include <QPainter>
#include <QPolygonF>

SpinItem::SpinItem(QGraphicsItem *parent)
    : QGraphicsItem(parent)
{
    setZValue(1);
}

QRectF SpinItem::boundingRect() const
{
    return QRectF(-12, -102, 22, 202);
}

void SpinItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    const QColor blue(71, 179, 249);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, true);
    painter->setPen(Qt::NoPen);
    painter->setBrush(blue);
    const QPolygonF marker(
        {QPointF(0, -78), QPointF(-10, -88), QPointF(-10, -100), QPointF(10, -100), QPointF(10, -88)});
    painter->drawPolygon(marker);
    painter->setPen(QPen(QColor(42, 42, 42), 1));
    painter->drawLine(QPointF(0, -88), QPointF(0, -78));
    painter->setPen(QPen(blue, 2));
    painter->drawLine(QPointF(0, -78), QPointF(0, 100));
    painter->restore();
}

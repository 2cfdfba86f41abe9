#pragma once

#include <QGraphicsItem>

// The play cursor: a marker in the ruler and a line down the waveform,
// drawn above the blocks.
class SpinItem : public QGraphicsItem
{
public:
    explicit SpinItem(QGraphicsItem *parent = nullptr);

    enum { Type = UserType + 2 };
    int type() const override { return Type; }

    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;
};

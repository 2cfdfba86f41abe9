#pragma once

#include "views/WaveBlockRules.h"

#include <QGraphicsObject>

class AudioScene;

// One subtitle entry on the timeline: a translucent block from its start to
// its end with its text. Dragging its middle moves the entry, dragging an
// edge moves that time; each step is written straight into the list through
// the scene.
class MyItem : public QGraphicsObject
{
    Q_OBJECT
public:
    explicit MyItem(QGraphicsItem *parent = nullptr);

    enum { Type = UserType + 1 };
    int type() const override { return Type; }

    QRectF boundingRect() const override;
    QPainterPath shape() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

    // Geometry and text from the entry; the block is `height` high.
    void setFromEntry(const SubtitleEntry &entry, double scale, double height);
    void setHeight(double height);
    BlockSpan span() const { return {x(), m_rect.width()}; }
    void setSpan(const BlockSpan &span);

    // Forgets a drag or grab in progress (the block is about to stand for
    // another entry).
    void releaseInteraction();

    int index() const { return m_index; }
    void setIndex(int index) { m_index = index; }
    QString text() const { return m_text; }
    bool isHovered() const { return m_hovered; }
    bool isMoving() const { return m_moving; }
    bool leftEdgeGrabbed() const { return m_leftGrab; }
    bool rightEdgeGrabbed() const { return m_rightGrab; }

protected:
    void hoverEnterEvent(QGraphicsSceneHoverEvent *event) override;
    void hoverMoveEvent(QGraphicsSceneHoverEvent *event) override;
    void hoverLeaveEvent(QGraphicsSceneHoverEvent *event) override;
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override;

private:
    AudioScene *audioScene() const;
    double pointerX(const QPointF &scenePos) const;
    void grab(BlockPart part);
    // Puts the step's span in place and writes it to the entry.
    void apply(const BlockSpan &span);

    QString m_text;
    QRectF m_rect;
    QPointF m_anchor;
    QPointF m_current;
    bool m_moving = false;
    int m_index = -1;
    double m_dx = 0;
    double m_dy = 0;
    double m_edgeGap = 28; // grab zone when the drag began
    bool m_hovered = false;
    bool m_leftGrab = false;
    bool m_rightGrab = false;
};

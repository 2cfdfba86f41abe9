#include "views/MyItem.h"

#include "subtitle/LocalCodec.h"
#include "views/AudioScene.h"
#include "views/WaveViewRules.h"

#include <QCursor>
#include <QGraphicsSceneHoverEvent>
#include <QGraphicsSceneMouseEvent>
#include <QPainter>

namespace {
const QFont &blockFont()
{
    static const QFont font = [] {
        QFont f(QStringLiteral("Microsoft YaHei"));
        f.setPixelSize(16);
        f.setWeight(QFont::Bold);
        return f;
    }();
    return font;
}
} // namespace

MyItem::MyItem(QGraphicsItem *parent)
    : QGraphicsObject(parent)
{
    setFlag(QGraphicsItem::ItemIsSelectable);
    setAcceptDrops(true);
    setAcceptHoverEvents(true);
    setZValue(0);
}

QRectF MyItem::boundingRect() const
{
    return m_rect;
}

QPainterPath MyItem::shape() const
{
    QPainterPath path;
    path.addRect(m_rect);
    return path;
}

void MyItem::setFromEntry(const SubtitleEntry &entry, double scale, double height)
{
    BlockSpan span = blockSpanFor(entry, scale);
    // An entry that ends before it starts is shown as a line, not a
    // rectangle turned inside out.
    span.width = qMax(span.width, 0.0);
    const QString text = fromLocal8(entry.text);
    if (text != m_text) {
        m_text = text;
        update();
    }
    setHeight(height);
    setSpan(span);
}

void MyItem::setHeight(double height)
{
    if (m_rect.height() == height)
        return;
    prepareGeometryChange();
    m_rect.setHeight(height);
}

void MyItem::setSpan(const BlockSpan &span)
{
    if (m_rect.width() != span.width) {
        prepareGeometryChange();
        m_rect.setWidth(span.width);
    }
    setPos(span.x, WaveLayout::RulerHeight);
}

void MyItem::releaseInteraction()
{
    if (scene() && scene()->mouseGrabberItem() == this)
        ungrabMouse();
    m_moving = false;
    grab(BlockPart::Body);
}

void MyItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    const QRectF r = m_rect;
    painter->save();
    painter->setPen(Qt::NoPen);
    painter->setBrush(QColor(255, 255, 255, 30));
    painter->drawRect(QRect(int(r.x()) + 1, int(r.y()), int(r.width()) - 2, int(r.height())));

    painter->setPen(Qt::white);
    painter->setFont(blockFont());
    painter->drawText(QRectF(r.x() + 30, r.y() + 20, r.width() - 30, r.height() - 4), m_text);

    if (m_hovered) {
        const double zone = grabZone(r.width());
        painter->setPen(Qt::NoPen);
        painter->setBrush(QColor(106, 168, 79, 120));
        painter->drawRect(QRectF(r.x(), r.y(), zone, r.height()));
        painter->setBrush(QColor(224, 102, 102, 123));
        painter->drawRect(QRectF(r.x() + r.width() - zone, r.y(), zone, r.height()));
    } else {
        painter->setPen(QPen(QColor(0, 255, 0, 120), 2));
        painter->drawLine(QPointF(r.x(), r.y()), QPointF(r.x(), r.bottom()));
        painter->setPen(QPen(QColor(255, 0, 0, 120), 2));
        painter->drawLine(QPointF(r.right(), r.y()), QPointF(r.right(), r.bottom()));
    }
    painter->restore();
}

double MyItem::pointerX(const QPointF &scenePos) const
{
    // Not the event's item position: the scene maps it with a transform
    // that is only brought up to date on repaint, stale during a drag.
    return scenePos.x() - x();
}

AudioScene *MyItem::audioScene() const
{
    return qobject_cast<AudioScene *>(scene());
}

void MyItem::grab(BlockPart part)
{
    m_leftGrab = part == BlockPart::LeftEdge;
    m_rightGrab = part == BlockPart::RightEdge;
}

void MyItem::hoverEnterEvent(QGraphicsSceneHoverEvent *event)
{
    m_hovered = true;
    update();
    QGraphicsObject::hoverEnterEvent(event);
}

void MyItem::hoverMoveEvent(QGraphicsSceneHoverEvent *event)
{
    const BlockPart part = blockPartAt(pointerX(event->scenePos()), m_rect.width());
    grab(part);
    if (part == BlockPart::Body) {
        unsetCursor();
    } else {
        setCursor(Qt::SizeHorCursor);
        m_anchor = event->scenePos();
    }
    QGraphicsObject::hoverMoveEvent(event);
}

void MyItem::hoverLeaveEvent(QGraphicsSceneHoverEvent *event)
{
    m_hovered = false;
    grab(BlockPart::Body);
    unsetCursor();
    update();
    QGraphicsObject::hoverLeaveEvent(event);
}

void MyItem::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        // Decided here as well as on hover: a press may come without one.
        const BlockPart part = blockPartAt(pointerX(event->scenePos()), m_rect.width());
        grab(part);
        m_moving = part == BlockPart::Body;
        m_edgeGap = grabZone(m_rect.width());
        m_anchor = event->scenePos();
        m_current = m_anchor;
        if (AudioScene *audio = audioScene())
            audio->beginBlockDrag(m_index, part);
    }
    QGraphicsObject::mousePressEvent(event);
}

void MyItem::apply(const BlockSpan &span)
{
    setSpan(span);
    if (AudioScene *audio = audioScene())
        audio->writeBack(m_index, span);
}

void MyItem::mouseMoveEvent(QGraphicsSceneMouseEvent *event)
{
    AudioScene *audio = audioScene();
    if (!audio || m_index < 0 || !(event->buttons() & Qt::LeftButton)) {
        QGraphicsObject::mouseMoveEvent(event);
        return;
    }
    const BlockLimits limits = audio->limitsFor(m_index);
    const double minWidth = audio->minBlockWidth();
    const auto follow = [&] {
        m_current = event->scenePos();
        m_dx = m_current.x() - m_anchor.x();
        m_dy = m_current.y() - m_anchor.y();
    };

    if (m_moving) {
        follow();
        const LimitedStep step = limitMove(span(), m_dx, limits);
        if (!step.clamped)
            m_anchor = m_current;
        apply(step.span);
        return;
    }
    if (m_leftGrab) {
        if (pointerX(event->scenePos()) > m_rect.width() - m_edgeGap)
            return;
        follow();
        const LimitedStep step = limitLeftEdge(span(), m_dx, limits, minWidth);
        if (!step.clamped)
            m_anchor = m_current;
        apply(step.span);
        return;
    }
    if (m_rightGrab) {
        if (pointerX(event->scenePos()) < m_edgeGap)
            return;
        follow();
        const LimitedStep step = limitRightEdge(span(), m_dx, limits, minWidth);
        if (step.clamped) {
            // Measured from where the edge stopped from now on.
            m_anchor.setX(step.span.end());
            m_current = m_anchor;
        } else {
            m_anchor = m_current;
        }
        apply(step.span);
        return;
    }
    QGraphicsObject::mouseMoveEvent(event);
}

void MyItem::mouseReleaseEvent(QGraphicsSceneMouseEvent *event)
{
    m_moving = false;
    if (AudioScene *audio = audioScene())
        audio->endBlockDrag();
    update();
    QGraphicsObject::mouseReleaseEvent(event);
}

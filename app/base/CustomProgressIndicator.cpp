#include "base/CustomProgressIndicator.h"

#include <QPainter>
#include <QTimerEvent>

CustomProgressIndicator::CustomProgressIndicator(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::NoFocus);
    setAccessibleName(QStringLiteral("处理进度"));
}

void CustomProgressIndicator::startAnimation()
{
    m_started = true;
    updateTimer();
    update();
}

void CustomProgressIndicator::stopAnimation()
{
    m_started = false;
    updateTimer();
    update();
}

void CustomProgressIndicator::setColor(const QColor &color)
{
    m_color = color;
    update();
}

void CustomProgressIndicator::setStepInterval(int milliseconds)
{
    m_interval = qMax(10, milliseconds);
    if (m_timer.isActive())
        m_timer.start(m_interval, this);
}

QSize CustomProgressIndicator::sizeHint() const
{
    return QSize(80, 80);
}

void CustomProgressIndicator::updateTimer()
{
    if (m_started && isVisible()) {
        if (!m_timer.isActive())
            m_timer.start(m_interval, this);
    } else {
        m_timer.stop();
    }
}

void CustomProgressIndicator::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    updateTimer();
}

void CustomProgressIndicator::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    updateTimer();
}

void CustomProgressIndicator::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_timer.timerId()) {
        QWidget::timerEvent(event);
        return;
    }
    m_step = (m_step + 1) % BarCount;
    update();
}

void CustomProgressIndicator::paintEvent(QPaintEvent *)
{
    const int side = qMin(width(), height());
    if (side <= 0)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(width() / 2.0, height() / 2.0);

    const qreal outer = side * 0.5;
    const qreal inner = outer * 0.5;
    const qreal barWidth = qMax<qreal>(2.0, side / 12.0);
    painter.setPen(Qt::NoPen);
    for (int i = 0; i < BarCount; ++i) {
        // The bar at m_step is brightest; the ones behind it fade out. A
        // stopped indicator draws every bar faint.
        const int behind = (m_step - i + BarCount) % BarCount;
        QColor colour = m_color;
        colour.setAlphaF(m_started ? 1.0 - 0.75 * behind / BarCount : 0.25);
        painter.save();
        painter.rotate(360.0 * i / BarCount);
        painter.setBrush(colour);
        painter.drawRoundedRect(QRectF(-barWidth / 2, -outer, barWidth, outer - inner), barWidth / 2, barWidth / 2);
        painter.restore();
    }
}

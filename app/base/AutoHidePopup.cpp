#include "base/AutoHidePopup.h"

#include <QTimer>

AutoHidePopup::AutoHidePopup(const QString &title, QWidget *parent, int graceMs)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setWindowTitle(title);
    m_grace = new QTimer(this);
    m_grace->setSingleShot(true);
    m_grace->setInterval(graceMs);
    connect(m_grace, &QTimer::timeout, this, [this] { graceEnded(); });
}

bool AutoHidePopup::graceRunning() const
{
    return m_grace->isActive();
}

void AutoHidePopup::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_grace->start();
}

void AutoHidePopup::enterEvent(QEvent *event)
{
    m_grace->stop();
    QWidget::enterEvent(event);
}

void AutoHidePopup::leaveEvent(QEvent *event)
{
    hide();
    QWidget::leaveEvent(event);
}

void AutoHidePopup::graceEnded()
{
    hide();
}

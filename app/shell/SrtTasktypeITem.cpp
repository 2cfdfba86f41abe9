#include "shell/SrtTasktypeITem.h"

#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>

SrtTasktypeITem::SrtTasktypeITem(const QString &title, const QString &description, const QString &remark,
                                 QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_StyledBackground);
    setCursor(Qt::PointingHandCursor);
    setFixedSize(216, 150);
    setStyleSheet(QStringLiteral("SrtTasktypeITem{background-color: rgb(67, 67, 67); border-radius: 4px;}"));
    m_title = new QLabel(title, this);
    m_description = new QLabel(description, this);
    m_description->setWordWrap(true);
    m_remark = new QLabel(remark, this);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 18, 18, 18);
    layout->addWidget(m_title);
    layout->addSpacing(6);
    layout->addWidget(m_description);
    layout->addStretch();
    layout->addWidget(m_remark);
    setHighlighted(false);
}

void SrtTasktypeITem::setHighlighted(bool highlighted)
{
    const QString title = highlighted ? QStringLiteral("rgb(123, 187, 229)") : QStringLiteral("rgb(71, 179, 249)");
    const QString other = highlighted ? QStringLiteral("rgb(181, 181, 181)") : QStringLiteral("rgb(153, 153, 153)");
    m_title->setStyleSheet(QStringLiteral("font-size: 18px; color: %1; background: transparent;").arg(title));
    for (QLabel *label : {m_description, m_remark})
        label->setStyleSheet(QStringLiteral("font-size: 14px; color: %1; background: transparent;").arg(other));
}

void SrtTasktypeITem::enterEvent(QEvent *event)
{
    setHighlighted(true);
    QWidget::enterEvent(event);
}

void SrtTasktypeITem::leaveEvent(QEvent *event)
{
    setHighlighted(false);
    QWidget::leaveEvent(event);
}

void SrtTasktypeITem::mousePressEvent(QMouseEvent *event)
{
    setHighlighted(false);
    QWidget::mousePressEvent(event);
}

void SrtTasktypeITem::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->pos()))
        emit signal_ClickSrtTaskItem();
    QWidget::mouseReleaseEvent(event);
}

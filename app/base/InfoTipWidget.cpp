#include "base/InfoTipWidget.h"

#include <QTimer>

InfoTipWidget::InfoTipWidget(QWidget *parent, const QString &text)
    : QLabel(text, parent, Qt::ToolTip | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("InfoTipWidget"));
    setAttribute(Qt::WA_StyledBackground);
    setAlignment(Qt::AlignCenter);
    setWindowTitle(text);
}

void InfoTipWidget::showCentredOn(const QWidget *over, int milliseconds)
{
    adjustSize();
    const QRect area = over ? QRect(over->mapToGlobal(QPoint(0, 0)), over->size()) : QRect();
    move(area.center() - rect().center());
    show();
    QTimer::singleShot(milliseconds, this, &QWidget::close);
}

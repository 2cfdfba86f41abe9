#include "views/SpeedLabel.h"

#include "base/SignalProxy.h"
#include "views/PlaybackRules.h"

#include <QMouseEvent>

SpeedLabel::SpeedLabel(const QString &name, const QString &text, QWidget *parent)
    : QLabel(text, parent)
{
    setObjectName(name);
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
    setAlignment(Qt::AlignCenter);
    setFixedSize(100, 25);
    highlight(false);
}

double SpeedLabel::speed() const
{
    return PlaybackRules::speedForLabel(objectName());
}

void SpeedLabel::highlight(bool on)
{
    setStyleSheet(on
            ? QStringLiteral("QLabel{color: rgb(71, 179, 249);font-family: 'Microsoft YaHei'; font-size: 12pt;}")
            : QStringLiteral("QLabel{color: rgb(255, 255, 255);font-family: 'Microsoft YaHei'; font-size: 12pt;}"));
}

void SpeedLabel::enterEvent(QEvent *event)
{
    highlight(true);
    QLabel::enterEvent(event);
}

void SpeedLabel::leaveEvent(QEvent *event)
{
    highlight(false);
    QLabel::leaveEvent(event);
}

void SpeedLabel::mousePressEvent(QMouseEvent *event)
{
    highlight(true);
    QLabel::mousePressEvent(event);
}

void SpeedLabel::mouseReleaseEvent(QMouseEvent *event)
{
    highlight(false);
    emit SignalProxy::instance()->signal_SpeedSelect(speed());
    window()->hide();
    QLabel::mouseReleaseEvent(event);
}

#include "project/TimeText.h"

#include <QDateTime>
#include <QLocale>

QString currentTimestampName()
{
    // The C locale: the system one may write digits of another script.
    return QLocale::c().toString(QDateTime::currentDateTime(), QStringLiteral("yyyyMMddhhmmss"));
}

QString formatDurationText(int seconds)
{
    QString text;
    if (seconds <= 0)
        return text;
    const int hours = seconds / 3600;
    const int minutes = seconds % 3600 / 60;
    const int rest = seconds % 60;
    if (hours > 0)
        text += QStringLiteral("%1%2").arg(hours).arg(QStringLiteral("小时"));
    if (minutes > 0)
        text += QStringLiteral("%1%2").arg(minutes).arg(QStringLiteral("分"));
    if (rest > 0)
        text += QStringLiteral("%1%2").arg(rest).arg(QStringLiteral("秒"));
    return text;
}

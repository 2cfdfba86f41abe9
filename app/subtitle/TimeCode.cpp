#include "subtitle/TimeCode.h"

#include <QStringList>
#include <cmath>

namespace {
QString lastDigits(int value, const QString &padding, int width)
{
    return (padding + QString::number(value)).right(width);
}

qint16 pieceValue(const QStringList &pieces, int index)
{
    if (index >= pieces.size())
        return 0;
    bool ok = false;
    const int value = pieces.at(index).toInt(&ok);
    return ok ? static_cast<qint16>(value) : 0;
}
} // namespace

QString formatTimeCode(const TimeCode &time)
{
    return QStringLiteral("%1:%2:%3,%4")
        .arg(lastDigits(time.hours, QStringLiteral("0"), 2),
             lastDigits(time.minutes, QStringLiteral("0"), 2),
             lastDigits(time.seconds, QStringLiteral("0"), 2),
             lastDigits(time.milliseconds, QStringLiteral("00"), 3));
}

TimeCode parseTimeCode(const QString &text)
{
    const QStringList commaParts = text.split(QLatin1Char(','), Qt::KeepEmptyParts);
    const QStringList clockParts = commaParts.at(0).split(QLatin1Char(':'), Qt::KeepEmptyParts);
    TimeCode time;
    time.hours = pieceValue(clockParts, 0);
    time.minutes = pieceValue(clockParts, 1);
    time.seconds = pieceValue(clockParts, 2);
    time.milliseconds = pieceValue(commaParts, 1);
    return time;
}

qint32 timeCodeToMilliseconds(const TimeCode &time)
{
    // 32-bit arithmetic as stored files and peers expect; int16 fields cannot overflow it
    // except for absurd hours, which wrap the same way everywhere.
    const quint32 clock = (quint32(qint32(time.hours)) * 3600u + quint32(qint32(time.minutes)) * 60u
                           + quint32(qint32(time.seconds)))
                              * 1000u
                          + quint32(qint32(time.milliseconds));
    return static_cast<qint32>(clock);
}

double timeCodeToSeconds(const TimeCode &time)
{
    return time.seconds + time.minutes * 60.0 + time.hours * 3600.0 + time.milliseconds * 0.001;
}

TimeCode millisecondsToTimeCode(qint64 total)
{
    TimeCode time;
    if (total < 0)
        return time;
    time.hours = static_cast<qint16>(total / 3600000);
    time.minutes = static_cast<qint16>((total % 3600000) / 60000);
    time.seconds = static_cast<qint16>((total % 60000) / 1000);
    time.milliseconds = static_cast<qint16>(total % 1000);
    return time;
}

TimeCode secondsToTimeCode(double seconds)
{
    const double scaled = std::trunc(seconds * 1000.0 + 0.005);
    if (!(scaled >= 0.0)) // also rejects NaN
        return TimeCode();
    return millisecondsToTimeCode(static_cast<qint64>(std::fmin(scaled, 9.0e15)));
}

QString formatSeconds(double seconds)
{
    return formatTimeCode(secondsToTimeCode(seconds));
}

#pragma once

#include <QString>
#include <QtGlobal>

// A point in time as the subtitle list keeps it. Never normalised after
// parsing: 00:00:75,1500 stays {0, 0, 75, 1500} and still means 76.5 s.
struct TimeCode
{
    qint16 hours = 0;
    qint16 minutes = 0;
    qint16 seconds = 0;
    qint16 milliseconds = 0;

    bool operator==(const TimeCode &o) const
    {
        return hours == o.hours && minutes == o.minutes && seconds == o.seconds
               && milliseconds == o.milliseconds;
    }
    bool operator!=(const TimeCode &o) const { return !(*this == o); }
};

// "HH:MM:SS,mmm", each field cut to its last 2 (3) digits.
QString formatTimeCode(const TimeCode &time);
// Lenient: missing or non-numeric pieces give 0; milliseconds are an integer.
TimeCode parseTimeCode(const QString &text);
qint32 timeCodeToMilliseconds(const TimeCode &time);
double timeCodeToSeconds(const TimeCode &time);
// Rounds to whole milliseconds (+0.005 then truncation); negative gives zero.
TimeCode secondsToTimeCode(double seconds);
TimeCode millisecondsToTimeCode(qint64 milliseconds);
QString formatSeconds(double seconds);

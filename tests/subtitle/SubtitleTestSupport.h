#pragma once

#include "subtitle/SubtitleEntry.h"
#include "subtitle/TimeCode.h"

#include <ostream>

inline TimeCode tc(int h, int m, int s, int ms)
{
    return TimeCode{qint16(h), qint16(m), qint16(s), qint16(ms)};
}

inline void PrintTo(const TimeCode &t, std::ostream *os)
{
    *os << '{' << t.hours << ',' << t.minutes << ',' << t.seconds << ',' << t.milliseconds << '}';
}

inline SubtitleEntry makeEntry(qint32 startMs, qint32 endMs, const QByteArray &text = "x")
{
    SubtitleEntry entry;
    entry.startTime = millisecondsToTimeCode(startMs);
    entry.endTime = millisecondsToTimeCode(endMs);
    entry.text = text;
    return entry;
}

#pragma once

#include "subtitle/LocalCodec.h"
#include "subtitle/SubtitleEntry.h"

#include <QString>

inline SubtitleEntry timedEntry(qint64 startMs, qint64 endMs, const QString &text = QString())
{
    SubtitleEntry e;
    e.startTime = millisecondsToTimeCode(startMs);
    e.endTime = millisecondsToTimeCode(endMs);
    e.text = toLocal8(text);
    return e;
}

inline qint64 startMs(const SubtitleEntry &e)
{
    return timeCodeToMilliseconds(e.startTime);
}

inline qint64 endMs(const SubtitleEntry &e)
{
    return timeCodeToMilliseconds(e.endTime);
}

#include "subtitle/SubtitleEntry.h"

bool SubtitleEntry::operator==(const SubtitleEntry &o) const
{
    return tagColor == o.tagColor && number == o.number && extraNumber == o.extraNumber
           && startTime == o.startTime && endTime == o.endTime
           && durationSeconds == o.durationSeconds && text == o.text
           && overlapping == o.overlapping;
}

bool entriesOverlap(const SubtitleEntry &first, const SubtitleEntry &second)
{
    return qint64(timeCodeToMilliseconds(first.endTime))
           > qint64(timeCodeToMilliseconds(second.startTime));
}

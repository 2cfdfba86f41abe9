#pragma once

#include "subtitle/TagColor.h"
#include "subtitle/TimeCode.h"

#include <QByteArray>
#include <QVector>

// One subtitle. `text` is one line in the local 8-bit form (GB18030, see
// LocalCodec.h).
struct SubtitleEntry
{
    TagColor tagColor = TagColor::defaultGray();
    qint32 number = 0;
    qint32 extraNumber = 0;
    TimeCode startTime;
    TimeCode endTime;
    qint32 durationSeconds = 0;
    QByteArray text;
    bool overlapping = false;

    bool operator==(const SubtitleEntry &o) const;
    bool operator!=(const SubtitleEntry &o) const { return !(*this == o); }
};

using SubtitleEntries = QVector<SubtitleEntry>;

// Neighbours overlap when the first ends strictly after the second starts.
bool entriesOverlap(const SubtitleEntry &first, const SubtitleEntry &second);

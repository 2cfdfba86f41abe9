#pragma once

#include "subtitle/SubtitleEntry.h"
#include "subtitle/TagColor.h"

#include <QString>
#include <QVector>

// An entry as a project file keeps it: time codes as text, text as Unicode.
struct SrtItem
{
    QString begintime;
    QString endtime;
    QString text;
    TagColor tagcolor = TagColor::defaultGray();

    bool operator==(const SrtItem &o) const
    {
        return begintime == o.begintime && endtime == o.endtime && text == o.text
               && tagcolor == o.tagcolor;
    }
};

using SrtItems = QVector<SrtItem>;

SubtitleEntry srtItemToEntry(const SrtItem &item);
SrtItem entryToSrtItem(const SubtitleEntry &entry);
SrtItems entriesToSrtItems(const SubtitleEntries &entries);
SubtitleEntries srtItemsToEntries(const SrtItems &items);

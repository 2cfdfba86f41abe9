#include "subtitle/SrtItem.h"

#include "subtitle/LocalCodec.h"

SubtitleEntry srtItemToEntry(const SrtItem &item)
{
    SubtitleEntry entry;
    entry.tagColor = item.tagcolor;
    entry.startTime = parseTimeCode(item.begintime);
    entry.endTime = parseTimeCode(item.endtime);
    entry.text = toLocal8(item.text);
    return entry;
}

SrtItem entryToSrtItem(const SubtitleEntry &entry)
{
    SrtItem item;
    item.begintime = formatTimeCode(entry.startTime);
    item.endtime = formatTimeCode(entry.endTime);
    item.text = fromLocal8(entry.text);
    item.tagcolor = entry.tagColor;
    return item;
}

SrtItems entriesToSrtItems(const SubtitleEntries &entries)
{
    SrtItems items;
    items.reserve(entries.size());
    for (const SubtitleEntry &entry : entries)
        items.append(entryToSrtItem(entry));
    return items;
}

SubtitleEntries srtItemsToEntries(const SrtItems &items)
{
    SubtitleEntries entries;
    entries.reserve(items.size());
    for (const SrtItem &item : items)
        entries.append(srtItemToEntry(item));
    return entries;
}

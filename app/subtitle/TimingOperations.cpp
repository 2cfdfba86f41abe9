#include "subtitle/TimingOperations.h"

#include "subtitle/LocalCodec.h"
#include "subtitle/SubtitleList.h"

namespace {
qint64 millis(const TimeCode &time)
{
    return timeCodeToMilliseconds(time);
}

// Computed times pass through the seconds conversion, so they are truncated the same way everywhere.
TimeCode fromMillis(qint64 milliseconds)
{
    return secondsToTimeCode(double(milliseconds) / 1000.0);
}

bool isCurrentPair(const SubtitleEntries &entries, const OverlapPair &pair)
{
    return pair.first >= 0 && pair.second == pair.first + 1 && pair.second < entries.size()
           && entriesOverlap(entries.at(pair.first), entries.at(pair.second));
}

void resolvePair(SubtitleEntry &first, SubtitleEntry &second, int mode)
{
    switch (mode) {
    case KeepStarts:
        first.endTime = second.startTime;
        break;
    case KeepEnds:
        second.startTime = first.endTime;
        break;
    case MeetHalfway: {
        const qint64 a = millis(first.endTime);
        const qint64 b = millis(second.startTime);
        const qint64 half = (a - b) / 2;
        first.endTime = fromMillis(a - half);
        second.startTime = fromMillis(b + half);
        break;
    }
    default:
        first.tagColor = second.tagColor = TagColor::defaultGray();
        return;
    }
    first.overlapping = second.overlapping = false;
    first.tagColor = second.tagColor = TagColor::defaultGray();
}
} // namespace

OverlapPairs scanOverlaps(SubtitleEntries &entries)
{
    OverlapPairs pairs;
    if (entries.size() < 2)
        return pairs;
    for (SubtitleEntry &entry : entries)
        entry.overlapping = false;
    for (int i = 0; i + 1 < entries.size(); ++i) {
        if (entriesOverlap(entries.at(i), entries.at(i + 1))) {
            entries[i].overlapping = true;
            entries[i + 1].overlapping = true;
            pairs.append({i, i + 1});
        }
    }
    return pairs;
}

void resolveOverlaps(SubtitleEntries &entries, OverlapPairs &pairs, int mode)
{
    for (const OverlapPair &pair : qAsConst(pairs)) {
        if (!isCurrentPair(entries, pair))
            continue;
        SubtitleEntry first = entries.at(pair.first);
        SubtitleEntry second = entries.at(pair.second);
        resolvePair(first, second, mode);
        entries[pair.first] = first;
        entries[pair.second] = second;
    }
    pairs.clear();
}

bool shiftBoundaries(SubtitleEntries &entries, OverlapPairs &pairs, int startShiftMs,
                     int endShiftMs, int mode)
{
    if (entries.size() < 2)
        return false;
    for (SubtitleEntry &entry : entries) {
        entry.startTime = fromMillis(millis(entry.startTime) + startShiftMs);
        entry.endTime = fromMillis(millis(entry.endTime) + endShiftMs);
    }
    pairs = scanOverlaps(entries);
    resolveOverlaps(entries, pairs, mode);
    return true;
}

bool splitEntry(SubtitleEntries &entries, int row, int percent, const QString &frontText,
                const QString &backText)
{
    if (percent == 0 || row < 0 || row >= entries.size())
        return false;
    SubtitleEntry &front = entries[row];
    const qint64 start = millis(front.startTime);
    const TimeCode oldEnd = front.endTime;
    const qint64 duration = millis(oldEnd) - start;
    const qint64 splitAt = start + qint64(double(duration) * (percent / 100.0)); // truncates toward zero

    front.endTime = fromMillis(splitAt);
    front.text = toLocal8(frontText);

    SubtitleEntry back;
    back.startTime = fromMillis(splitAt);
    back.endTime = oldEnd;
    back.text = toLocal8(backText);
    entries.insert(row + 1, back);
    return true;
}

OverlapPairs scanOverlaps(SubtitleList &list)
{
    return list.rescanOverlaps();
}

void resolveOverlaps(SubtitleList &list, int mode)
{
    list.editWithOverlaps([mode](SubtitleEntries &entries, OverlapPairs &pairs) {
        resolveOverlaps(entries, pairs, mode);
    });
}

bool shiftBoundaries(SubtitleList &list, int startShiftMs, int endShiftMs, int mode)
{
    return list.editWithOverlaps([=](SubtitleEntries &entries, OverlapPairs &pairs) {
        return shiftBoundaries(entries, pairs, startShiftMs, endShiftMs, mode);
    });
}

bool splitEntry(SubtitleList &list, int row, int percent, const QString &frontText,
                const QString &backText)
{
    return list.edit([&](SubtitleEntries &entries) {
        return splitEntry(entries, row, percent, frontText, backText);
    });
}

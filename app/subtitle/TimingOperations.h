#pragma once

#include "subtitle/OverlapPairs.h"
#include "subtitle/SubtitleEntry.h"

#include <QString>

class SubtitleList;

// How an overlapping pair (i, i + 1) is repaired.
enum OverlapMode {
    KeepStarts = 0, // "起始优先": entry i ends where i + 1 starts
    KeepEnds = 1,   // "结束优先": entry i + 1 starts where i ends
    MeetHalfway = 2 // "平均划分": both move to meet near the middle
};

// Clears every entry's overlap flag, then flags and returns each adjacent
// overlapping pair. With fewer than two entries returns no pairs and leaves
// the flags alone.
OverlapPairs scanOverlaps(SubtitleEntries &entries);

// Repairs the pairs in order, reading each pair's entries afresh, so chains
// resolve left to right. Resolved entries lose their flag and their colour tag
// goes back to gray. Pairs that no longer name adjacent overlapping entries
// (the list changed since the scan) are skipped. `pairs` ends up empty.
// An unknown mode changes no times.
void resolveOverlaps(SubtitleEntries &entries, OverlapPairs &pairs, int mode);

// Moves every start by startShiftMs and every end by endShiftMs (negative
// results become zero), then scans and resolves with `mode`. Nothing at all
// happens with fewer than two entries; returns whether it ran.
bool shiftBoundaries(SubtitleEntries &entries, OverlapPairs &pairs, int startShiftMs,
                     int endShiftMs, int mode);

// Splits entry `row` at `percent` of its duration: it keeps the front text
// and ends at the split time; a new gray entry with the back text runs from
// there to the old end and is inserted after it. Percent 0 or a row outside
// the list changes nothing; returns whether it split.
bool splitEntry(SubtitleEntries &entries, int row, int percent, const QString &frontText,
                const QString &backText);

// The same operations on the shared list, each as one locked step and one
// undo step; the overlap pairs are the list's own. A scan only refreshes
// derived state, so it is no change of the list.
OverlapPairs scanOverlaps(SubtitleList &list);
void resolveOverlaps(SubtitleList &list, int mode);
bool shiftBoundaries(SubtitleList &list, int startShiftMs, int endShiftMs, int mode);
bool splitEntry(SubtitleList &list, int row, int percent, const QString &frontText,
                const QString &backText);

#pragma once

#include "subtitle/SubtitleEntry.h"

#include <QVector>

// Which rows the list shows as overlapping. A lone entry keeps the flag of
// its last scan (the scan leaves flags alone below two entries), but it has
// no neighbour to overlap, so it is not shown as overlapping.
QVector<bool> shownOverlaps(const SubtitleEntries &entries);

// Stepping through flagged rows (overlapping or doubtful ones) from `cursor`
// (-1: none visited yet): next searches forward from cursor + 1 and wraps
// to the start, previous searches backward from cursor - 1 and wraps to the
// end. -1 when no row is flagged. A cursor past the end counts as the last
// row.
int nextFlaggedRow(const QVector<bool> &flags, int cursor);
int previousFlaggedRow(const QVector<bool> &flags, int cursor);

// A remembered row that still names a row of `rowCount`, else -1.
int clampedRow(int row, int rowCount);

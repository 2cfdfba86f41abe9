#pragma once

#include "subtitle/ReadingSpeed.h"
#include "subtitle/SubtitleEntry.h"

#include <QVector>

// One problem found in an entry.
struct SubtitleFinding
{
    enum Kind {
        Overlap,     // ends after the next entry starts
        LineTooLong, // value: characters on the longest line
        TooFast,     // value: characters per second (infinity for no duration)
        EmptyText
    };
    Kind kind = Overlap;
    int row = 0;
    double value = 0;

    bool operator==(const SubtitleFinding &o) const
    {
        return kind == o.kind && row == o.row && value == o.value;
    }
};

using SubtitleFindings = QVector<SubtitleFinding>;

// Every finding, by row, in the order of the kinds above within a row. An
// empty text is only reported as empty. The overlap rule is the list's own
// (neighbours only, equal times do not overlap); no flag is changed.
SubtitleFindings checkSubtitles(const SubtitleEntries &entries, const ReadingLimits &limits);

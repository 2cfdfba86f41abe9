#pragma once

#include "subtitle/SubtitleEntry.h"

#include <QString>

// What to look for in entry texts. Positions and lengths count the
// characters (UTF-16 units) of the text decoded from the local form.
struct FindQuery
{
    QString text;
    Qt::CaseSensitivity caseSensitivity = Qt::CaseInsensitive;
    bool wrapAround = true; // past the last entry, go on from the first (and back)
};

struct TextMatch
{
    int row = -1;
    int position = 0;
    int length = 0;

    bool found() const { return row >= 0; }
    bool operator==(const TextMatch &o) const
    {
        return row == o.row && position == o.position && length == o.length;
    }
};

// The first match starting at or after `position` in entry `row`, else in the
// rows after it. To step through matches, pass the end of the last one.
TextMatch findNext(const SubtitleEntries &entries, const FindQuery &query, int row, int position);
// The last match starting before `position` in entry `row`, else in the rows
// before it. To step back, pass the start of the last match.
TextMatch findPrevious(const SubtitleEntries &entries, const FindQuery &query, int row, int position);

// Replaces `match` in `entry` when the entry still holds the query's text
// there; false, with the entry unchanged, when it no longer does.
bool replaceMatch(SubtitleEntry &entry, const TextMatch &match, const FindQuery &query,
                  const QString &replacement);

// Replaces every match in every entry and returns how many; entries without
// a match are left untouched (their texts stay shared with any copy).
int replaceAll(SubtitleEntries &entries, const FindQuery &query, const QString &replacement);

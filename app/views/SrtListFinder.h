#pragma once

#include "subtitle/FindReplace.h"

// Where the find dialog stands in the list: the match it last showed, so
// next and previous step on from there and replace knows what to replace.
class SrtListFinder
{
public:
    // The match after the current one, or the first from `fromRow` when
    // there is none (or the text sought has changed).
    TextMatch findNext(const SubtitleEntries &entries, const FindQuery &query, int fromRow);
    // The match before the current one, or the last in `fromRow` and above.
    TextMatch findPrevious(const SubtitleEntries &entries, const FindQuery &query, int fromRow);

    // Replaces the current match in `entry` (the entry of its row) when the
    // text is still there; the replacement then counts as the current match,
    // so the next search goes on after it.
    bool replaceCurrent(SubtitleEntry &entry, const FindQuery &query, const QString &replacement);

    TextMatch current() const { return m_current; }
    void forget();

private:
    bool continues(const FindQuery &query) const;
    void remember(const TextMatch &match, const FindQuery &query);

    TextMatch m_current;
    QString m_text;
    Qt::CaseSensitivity m_caseSensitivity = Qt::CaseInsensitive;
};

#include "views/SrtListFinder.h"

#include "subtitle/LocalCodec.h"

TextMatch SrtListFinder::findNext(const SubtitleEntries &entries, const FindQuery &query, int fromRow)
{
    TextMatch match;
    if (continues(query) && m_current.row < entries.size())
        match = ::findNext(entries, query, m_current.row, m_current.position + m_current.length);
    else
        match = ::findNext(entries, query, fromRow, 0);
    remember(match, query);
    return match;
}

TextMatch SrtListFinder::findPrevious(const SubtitleEntries &entries, const FindQuery &query, int fromRow)
{
    TextMatch match;
    if (continues(query) && m_current.row < entries.size()) {
        match = ::findPrevious(entries, query, m_current.row, m_current.position);
    } else if (!entries.isEmpty()) {
        const int row = qBound(0, fromRow, entries.size() - 1);
        match = ::findPrevious(entries, query, row, fromLocal8(entries.at(row).text).size());
    }
    remember(match, query);
    return match;
}

bool SrtListFinder::replaceCurrent(SubtitleEntry &entry, const FindQuery &query, const QString &replacement)
{
    if (!continues(query) || !replaceMatch(entry, m_current, query, replacement))
        return false;
    m_current.length = replacement.size();
    return true;
}

void SrtListFinder::forget()
{
    m_current = TextMatch();
}

bool SrtListFinder::continues(const FindQuery &query) const
{
    return m_current.found() && query.text == m_text && query.caseSensitivity == m_caseSensitivity;
}

void SrtListFinder::remember(const TextMatch &match, const FindQuery &query)
{
    m_current = match;
    m_text = query.text;
    m_caseSensitivity = query.caseSensitivity;
}

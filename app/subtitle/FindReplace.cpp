#include "subtitle/FindReplace.h"

#include "subtitle/LocalCodec.h"

namespace {
QString textOf(const SubtitleEntries &entries, int row)
{
    return fromLocal8(entries.at(row).text);
}

TextMatch matchAt(int row, int position, const FindQuery &query)
{
    if (position < 0)
        return {};
    return {row, position, query.text.size()};
}

int firstIn(const QString &text, const FindQuery &query, int from = 0)
{
    return text.indexOf(query.text, from, query.caseSensitivity);
}

// -1 searches from the end of the text.
int lastIn(const QString &text, const FindQuery &query, int from = -1)
{
    return text.lastIndexOf(query.text, from, query.caseSensitivity);
}

// The first match in rows begin .. end - 1.
TextMatch firstInRows(const SubtitleEntries &entries, const FindQuery &query, int begin, int end)
{
    for (int row = begin; row < end; ++row) {
        const TextMatch match = matchAt(row, firstIn(textOf(entries, row), query), query);
        if (match.found())
            return match;
    }
    return {};
}

// The last match in rows end - 1 down to begin.
TextMatch lastInRows(const SubtitleEntries &entries, const FindQuery &query, int begin, int end)
{
    for (int row = end - 1; row >= begin; --row) {
        const TextMatch match = matchAt(row, lastIn(textOf(entries, row), query), query);
        if (match.found())
            return match;
    }
    return {};
}
} // namespace

TextMatch findNext(const SubtitleEntries &entries, const FindQuery &query, int row, int position)
{
    if (query.text.isEmpty() || entries.isEmpty())
        return {};
    row = qBound(0, row, entries.size() - 1);
    const QString startText = textOf(entries, row);
    TextMatch match = matchAt(row, firstIn(startText, query, qMax(position, 0)), query);
    if (!match.found())
        match = firstInRows(entries, query, row + 1, entries.size());
    if (match.found() || !query.wrapAround)
        return match;
    match = firstInRows(entries, query, 0, row);
    if (match.found())
        return match;
    // Last, the start row's own text before the start position.
    const int before = firstIn(startText, query);
    return before < position ? matchAt(row, before, query) : TextMatch();
}

TextMatch findPrevious(const SubtitleEntries &entries, const FindQuery &query, int row, int position)
{
    if (query.text.isEmpty() || entries.isEmpty())
        return {};
    row = qBound(0, row, entries.size() - 1);
    const QString startText = textOf(entries, row);
    TextMatch match;
    if (position > 0)
        match = matchAt(row, lastIn(startText, query, position - 1), query);
    if (!match.found())
        match = lastInRows(entries, query, 0, row);
    if (match.found() || !query.wrapAround)
        return match;
    match = lastInRows(entries, query, row + 1, entries.size());
    if (match.found())
        return match;
    // Last, the start row's own text from the start position on.
    const int after = lastIn(startText, query);
    return after >= qMax(position, 0) ? matchAt(row, after, query) : TextMatch();
}

bool replaceMatch(SubtitleEntry &entry, const TextMatch &match, const FindQuery &query,
                  const QString &replacement)
{
    if (!match.found() || query.text.isEmpty())
        return false;
    QString text = fromLocal8(entry.text);
    if (text.midRef(match.position, query.text.size()).compare(query.text, query.caseSensitivity) != 0)
        return false;
    text.replace(match.position, query.text.size(), replacement);
    entry.text = toLocal8(text);
    return true;
}

int replaceAll(SubtitleEntries &entries, const FindQuery &query, const QString &replacement)
{
    if (query.text.isEmpty())
        return 0;
    int replaced = 0;
    for (int row = 0; row < entries.size(); ++row) {
        QString text = textOf(entries, row);
        const int count = text.count(query.text, query.caseSensitivity);
        if (count == 0)
            continue;
        text.replace(query.text, replacement, query.caseSensitivity);
        entries[row].text = toLocal8(text);
        replaced += count;
    }
    return replaced;
}

#include "views/SrtListNavigation.h"

QVector<bool> shownOverlaps(const SubtitleEntries &entries)
{
    QVector<bool> flags(entries.size(), false);
    if (entries.size() < 2)
        return flags;
    for (int i = 0; i < entries.size(); ++i)
        flags[i] = entries.at(i).overlapping;
    return flags;
}

int nextFlaggedRow(const QVector<bool> &flags, int cursor)
{
    const int size = flags.size();
    if (size == 0)
        return -1;
    cursor = qMin(cursor, size - 1);
    const int start = cursor < 0 || cursor == size - 1 ? 0 : cursor + 1;
    for (int i = start; i < size; ++i) {
        if (flags.at(i))
            return i;
    }
    for (int i = 0; i < start; ++i) {
        if (flags.at(i))
            return i;
    }
    return -1;
}

int previousFlaggedRow(const QVector<bool> &flags, int cursor)
{
    const int size = flags.size();
    if (size == 0)
        return -1;
    cursor = qMin(cursor, size - 1);
    const int start = cursor < 0 ? 0 : cursor == 0 ? size - 1 : cursor - 1;
    for (int i = start; i >= 0; --i) {
        if (flags.at(i))
            return i;
    }
    for (int i = size - 1; i > start; --i) {
        if (flags.at(i))
            return i;
    }
    return -1;
}

int clampedRow(int row, int rowCount)
{
    return row >= 0 && row < rowCount ? row : -1;
}

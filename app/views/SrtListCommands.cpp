#include "views/SrtListCommands.h"

#include "subtitle/LocalCodec.h"

namespace {
bool isRow(const SubtitleEntries &entries, int row)
{
    return row >= 0 && row < entries.size();
}

// Appends `second` to `first`: texts joined as they are, the end and the
// whole-second lengths taken over.
void absorb(SubtitleEntry &first, const SubtitleEntry &second)
{
    first.text += second.text;
    first.endTime = second.endTime;
    first.durationSeconds += second.durationSeconds;
}

SubtitleEntry gapEntry(const TimeCode &start, const TimeCode &end)
{
    SubtitleEntry entry;
    entry.startTime = start;
    entry.endTime = end;
    return entry;
}

const char *const kButtonColourNames[] = {"gray", "red", "yellow", "green", "blue"};
} // namespace

QString commandWordForLabel(const QString &objectName, int row, int rowCount)
{
    const QString name = objectName.toLower();
    static const char *const words[]
        = {"mergeprev", "mergenext", "split", "delete", "insertlinebefore", "insertlineafter"};
    for (const char *word : words) {
        if (!name.contains(QLatin1String(word)))
            continue;
        const QString found = QString::fromLatin1(word);
        if (found == QLatin1String("mergeprev") && row <= 0)
            return QString();
        if (found == QLatin1String("mergenext") && row >= rowCount - 1)
            return QString();
        return found;
    }
    return QString();
}

ListCommand commandForWord(const QString &word)
{
    if (word == QLatin1String("mergeprev"))
        return ListCommand::MergePrevious;
    if (word == QLatin1String("mergenext"))
        return ListCommand::MergeNext;
    if (word == QLatin1String("split"))
        return ListCommand::Split;
    if (word == QLatin1String("delete"))
        return ListCommand::Delete;
    if (word == QLatin1String("insertlinebefore"))
        return ListCommand::InsertBefore;
    if (word == QLatin1String("insertlineafter"))
        return ListCommand::InsertAfter;
    return ListCommand::None;
}

bool mergeWithPrevious(SubtitleEntries &entries, int row)
{
    if (!isRow(entries, row) || row == 0)
        return false;
    absorb(entries[row - 1], entries.at(row));
    entries.remove(row);
    return true;
}

bool mergeWithNext(SubtitleEntries &entries, int row)
{
    if (!isRow(entries, row) || row == entries.size() - 1)
        return false;
    absorb(entries[row], entries.at(row + 1));
    entries.remove(row + 1);
    return true;
}

bool insertEntryBefore(SubtitleEntries &entries, int row)
{
    if (!isRow(entries, row))
        return false;
    // Before the first entry the gap starts at the beginning of the medium.
    const TimeCode start = row > 0 ? entries.at(row - 1).endTime : TimeCode();
    entries.insert(row, gapEntry(start, entries.at(row).startTime));
    return true;
}

bool insertEntryAfter(SubtitleEntries &entries, int row)
{
    if (!isRow(entries, row))
        return false;
    const TimeCode start = entries.at(row).endTime;
    const TimeCode end = row + 1 < entries.size()
        ? entries.at(row + 1).startTime
        : millisecondsToTimeCode(qint64(timeCodeToMilliseconds(start)) + kAppendedEntryMs);
    entries.insert(row + 1, gapEntry(start, end));
    return true;
}

bool eraseEntry(SubtitleEntries &entries, int row)
{
    if (!isRow(entries, row))
        return false;
    entries.remove(row);
    return true;
}

bool applyListCommand(SubtitleEntries &entries, ListCommand command, int row)
{
    switch (command) {
    case ListCommand::MergePrevious:
        return mergeWithPrevious(entries, row);
    case ListCommand::MergeNext:
        return mergeWithNext(entries, row);
    case ListCommand::Delete:
        return eraseEntry(entries, row);
    case ListCommand::InsertBefore:
        return insertEntryBefore(entries, row);
    case ListCommand::InsertAfter:
        return insertEntryAfter(entries, row);
    case ListCommand::Split:
    case ListCommand::None:
        break;
    }
    return false;
}

SubtitleEntry entryFromCells(SubtitleEntry entry, const RowCells &cells)
{
    bool ok = false;
    const int number = cells.number.trimmed().toInt(&ok);
    entry.number = ok ? number : 0;
    entry.startTime = parseTimeCode(cells.start.trimmed());
    entry.endTime = parseTimeCode(cells.end.trimmed());
    entry.text = toLocal8(cells.text.trimmed());
    return entry;
}

const std::array<TagColor, 5> &tagPalette()
{
    static const std::array<TagColor, 5> palette = {TagColor::defaultGray(), TagColor(212, 49, 49),
        TagColor(255, 153, 7), TagColor(0, 158, 17), TagColor(42, 120, 228)};
    return palette;
}

int tagPaletteIndex(const TagColor &color)
{
    const auto &palette = tagPalette();
    for (int i = 0; i < int(palette.size()); ++i) {
        if (palette[i] == color)
            return i;
    }
    return 0;
}

TagColor tagColorForButtonName(const QString &objectName)
{
    const QString name = objectName.toLower();
    for (int i = 0; i < 5; ++i) {
        if (name.contains(QLatin1String(kButtonColourNames[i])))
            return tagPalette()[i];
    }
    return tagPalette()[0];
}

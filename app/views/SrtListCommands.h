#pragma once

#include "subtitle/SubtitleEntry.h"

#include <QString>
#include <array>

// What the list editor's pop-up asks for.
enum class ListCommand { None, MergePrevious, MergeNext, Split, Delete, InsertBefore, InsertAfter };

// The command word of a pop-up label, from its object name: "mergeprev",
// "mergenext", "split", "delete", "insertlinebefore", "insertlineafter", or
// "" when the label names none or a merge has no neighbour at `row`.
QString commandWordForLabel(const QString &objectName, int row, int rowCount);
ListCommand commandForWord(const QString &word);

// An entry inserted after the last one has no neighbour to end at; it gets
// this length, so it can be seen and grabbed on the timeline.
constexpr int kAppendedEntryMs = 1000;

// The structural commands. Each returns false, leaving the entries as they
// were, when `row` names no entry or a merge has no neighbour there.
bool mergeWithPrevious(SubtitleEntries &entries, int row);
bool mergeWithNext(SubtitleEntries &entries, int row);
bool insertEntryBefore(SubtitleEntries &entries, int row);
bool insertEntryAfter(SubtitleEntries &entries, int row);
bool eraseEntry(SubtitleEntries &entries, int row);
// One of the five above; Split and None change nothing.
bool applyListCommand(SubtitleEntries &entries, ListCommand command, int row);

// A row as its cells stand after an edit, all four read as typed.
struct RowCells
{
    QString number;
    QString start;
    QString end;
    QString text;
};

// The entry a row's cells describe: number, times and text from the cells
// (trimmed; malformed numbers and times read as zero), everything else kept.
SubtitleEntry entryFromCells(SubtitleEntry entry, const RowCells &cells);

// The pop-up's tag colours, in its order: gray, red, yellow, green, blue.
const std::array<TagColor, 5> &tagPalette();
// Index of `color` in the palette; gray (0) when it is none of them.
int tagPaletteIndex(const TagColor &color);
// The colour a radio button stands for, by the first of "gray", "red",
// "yellow", "green", "blue" its lower-cased object name contains; gray else.
TagColor tagColorForButtonName(const QString &objectName);

#pragma once

#include "subtitle/SubtitleEntry.h"

#include <QVector>

// What an undo or redo put back, so views know how much to refresh: one row
// (refresh that row) or the whole list (rebuild).
struct RestoredChange
{
    enum Kind { Nothing, Row, WholeList };
    Kind kind = Nothing;
    int row = -1; // for Row

    bool restored() const { return kind != Nothing; }
};

// One undoable change: the entry a row held, or the whole list as it was.
// Applying a step swaps its content with the list's, after which the same
// step undoes what was just restored.
struct UndoStep
{
    RestoredChange::Kind kind = RestoredChange::WholeList;
    int row = -1;
    SubtitleEntry entry;     // Row
    SubtitleEntries entries; // WholeList
    qint64 bytes = 0;        // estimated memory only this step keeps alive
};

// Undo and redo stacks, capped by step count and by estimated memory (the
// oldest steps go first). Plain data: the owner serialises access.
class UndoHistory
{
public:
    static constexpr int DefaultMaxSteps = 100;
    static constexpr qint64 DefaultMaxBytes = qint64(64) << 20;

    void setLimits(int maxSteps, qint64 maxBytes);

    // Each forgets the redo side: a new edit starts a new branch.
    void recordRow(int row, const SubtitleEntry &before);
    // Whether the newest undo step holds `row` and nothing was undone since:
    // a continuing gesture may then keep that step instead of adding one.
    bool lastStepIsRow(int row) const;
    // `after` only serves the estimate: texts both lists share cost nothing.
    void recordWholeList(const SubtitleEntries &before, const SubtitleEntries &after);

    // Put the list back one step, or forward again after an undo.
    RestoredChange undo(SubtitleEntries &entries);
    RestoredChange redo(SubtitleEntries &entries);

    bool canUndo() const { return !m_undo.isEmpty(); }
    bool canRedo() const { return !m_redo.isEmpty(); }
    int undoCount() const { return m_undo.size(); }
    int redoCount() const { return m_redo.size(); }
    qint64 bytes() const { return m_bytes; }
    void clear();

private:
    void push(QVector<UndoStep> &stack, UndoStep step);
    UndoStep pop(QVector<UndoStep> &stack);
    RestoredChange moveStep(QVector<UndoStep> &from, QVector<UndoStep> &to, SubtitleEntries &entries);
    void dropOldestBeyondLimits();

    QVector<UndoStep> m_undo;
    QVector<UndoStep> m_redo;
    qint64 m_bytes = 0;
    int m_maxSteps = DefaultMaxSteps;
    qint64 m_maxBytes = DefaultMaxBytes;
};

// Memory a copy of `kept` holds beyond what `live` shares with it: the array
// of entries, plus every text not shared with the entry at the same place
// (or at the place shifted by the difference in size, for inserts and erases).
qint64 estimateWholeListBytes(const SubtitleEntries &kept, const SubtitleEntries &live);

#include "subtitle/UndoHistory.h"

#include <utility>

namespace {
constexpr qint64 ArrayHeaderBytes = sizeof(QArrayData);

qint64 textBytes(const QByteArray &text)
{
    return text.capacity() > 0 ? ArrayHeaderBytes + text.capacity() + 1 : 0;
}

bool sharesText(const SubtitleEntries &live, int index, const QByteArray &text)
{
    return index >= 0 && index < live.size() && live.at(index).text.isSharedWith(text);
}

qint64 rowStepBytes(const SubtitleEntry &entry)
{
    return qint64(sizeof(UndoStep)) + textBytes(entry.text);
}
} // namespace

qint64 estimateWholeListBytes(const SubtitleEntries &kept, const SubtitleEntries &live)
{
    if (kept.isSharedWith(live))
        return sizeof(UndoStep);
    const int shift = live.size() - kept.size();
    qint64 total = qint64(sizeof(UndoStep)) + ArrayHeaderBytes
                   + qint64(kept.capacity()) * qint64(sizeof(SubtitleEntry));
    for (int i = 0; i < kept.size(); ++i) {
        const QByteArray &text = kept.at(i).text;
        if (!sharesText(live, i, text) && !sharesText(live, i + shift, text))
            total += textBytes(text);
    }
    return total;
}

void UndoHistory::setLimits(int maxSteps, qint64 maxBytes)
{
    m_maxSteps = maxSteps;
    m_maxBytes = maxBytes;
    dropOldestBeyondLimits();
}

bool UndoHistory::lastStepIsRow(int row) const
{
    return m_redo.isEmpty() && !m_undo.isEmpty() && m_undo.last().kind == RestoredChange::Row
           && m_undo.last().row == row;
}

void UndoHistory::recordRow(int row, const SubtitleEntry &before)
{
    UndoStep step;
    step.kind = RestoredChange::Row;
    step.row = row;
    step.entry = before;
    step.bytes = rowStepBytes(before);
    while (!m_redo.isEmpty())
        pop(m_redo);
    push(m_undo, std::move(step));
    dropOldestBeyondLimits();
}

void UndoHistory::recordWholeList(const SubtitleEntries &before, const SubtitleEntries &after)
{
    UndoStep step;
    step.kind = RestoredChange::WholeList;
    step.entries = before;
    step.bytes = estimateWholeListBytes(before, after);
    while (!m_redo.isEmpty())
        pop(m_redo);
    push(m_undo, std::move(step));
    dropOldestBeyondLimits();
}

RestoredChange UndoHistory::undo(SubtitleEntries &entries)
{
    return moveStep(m_undo, m_redo, entries);
}

RestoredChange UndoHistory::redo(SubtitleEntries &entries)
{
    return moveStep(m_redo, m_undo, entries);
}

void UndoHistory::clear()
{
    m_undo.clear();
    m_redo.clear();
    m_bytes = 0;
}

void UndoHistory::push(QVector<UndoStep> &stack, UndoStep step)
{
    m_bytes += step.bytes;
    stack.append(std::move(step));
}

UndoStep UndoHistory::pop(QVector<UndoStep> &stack)
{
    UndoStep step = std::move(stack.last());
    stack.removeLast();
    m_bytes -= step.bytes;
    return step;
}

RestoredChange UndoHistory::moveStep(QVector<UndoStep> &from, QVector<UndoStep> &to,
                                     SubtitleEntries &entries)
{
    if (from.isEmpty())
        return {};
    UndoStep step = pop(from);
    if (step.kind == RestoredChange::Row) {
        // Every change is recorded in order, so the row exists; a list changed
        // behind the history's back would be a bug, so refuse rather than crash.
        if (step.row < 0 || step.row >= entries.size()) {
            clear();
            return {};
        }
        std::swap(entries[step.row], step.entry);
        step.bytes = rowStepBytes(step.entry);
    } else {
        entries.swap(step.entries);
        step.bytes = estimateWholeListBytes(step.entries, entries);
    }
    RestoredChange change;
    change.kind = step.kind;
    change.row = step.row;
    push(to, std::move(step));
    dropOldestBeyondLimits();
    return change;
}

void UndoHistory::dropOldestBeyondLimits()
{
    while (!m_undo.isEmpty() && (m_undo.size() > m_maxSteps || m_bytes > m_maxBytes)) {
        m_bytes -= m_undo.first().bytes;
        m_undo.removeFirst();
    }
}

#pragma once

#include "subtitle/OverlapPairs.h"
#include "subtitle/SubtitleEntry.h"
#include "subtitle/UndoHistory.h"

#include <QObject>
#include <mutex>
#include <shared_mutex>
#include <utility>

// The ordered list of timed entries the whole program shares, together with
// the overlap pairs derived from it. Every access takes the list's lock, so
// the autosave thread can take a consistent snapshot while the GUI thread
// edits.
//
// Every change goes through the methods below, which is where undo steps are
// recorded. A change raises version() by one and is announced by changed()
// once the lock is released, on the thread that made it (receivers living on
// other threads get it queued). A call that leaves the entries as they were
// is no change. Reads never notify, and neither does an overlap scan: flags
// and pairs are derived state that no file holds.
class SubtitleList : public QObject
{
    Q_OBJECT
public:
    explicit SubtitleList(QObject *parent = nullptr);

    int size() const;
    bool isEmpty() const;
    SubtitleEntry at(int index) const;
    SubtitleEntries snapshot() const;
    // The entries and the version they belong to, read together.
    SubtitleEntries snapshot(quint64 *version) const;
    OverlapPairs overlapPairs() const;
    quint64 version() const;

    // Edits, one undo step each: replace() records the row, the others the
    // whole list as it was (which costs one copy of the list).
    // A drag writes one row many times but is one step: its later writes
    // pass Step::Continue, which keeps the step of the row's earlier write.
    // Returns whether the entry changed.
    enum class Step { New, Continue };
    bool replace(int index, const SubtitleEntry &entry, Step step = Step::New);
    void append(const SubtitleEntry &entry);
    void append(const SubtitleEntries &entries);
    void insert(int index, const SubtitleEntry &entry); // index == size() appends
    void erase(int index);
    void clear(); // also forgets the overlap pairs
    void assign(const SubtitleEntries &entries); // replaces everything, forgets the pairs

    // Runs f(SubtitleEntries &) under the write lock as one change and
    // returns its result.
    template <typename F>
    auto edit(F &&f)
    {
        WholeListChange change(*this);
        return std::forward<F>(f)(m_entries);
    }
    // Runs f(SubtitleEntries &, OverlapPairs &) under the write lock as one change.
    template <typename F>
    auto editWithOverlaps(F &&f)
    {
        WholeListChange change(*this);
        return std::forward<F>(f)(m_entries, m_overlapPairs);
    }
    // Runs f(const SubtitleEntries &) under the read lock.
    template <typename F>
    auto read(F &&f) const
    {
        std::shared_lock<std::shared_mutex> locker(m_lock);
        return std::forward<F>(f)(static_cast<const SubtitleEntries &>(m_entries));
    }

    // A new document (a file opened, a job's result, a project loaded, a
    // reset): replaces everything and forgets the pairs, and is not an edit:
    // the history is cleared, so it cannot be undone. Still a change.
    void replaceDocument(const SubtitleEntries &entries);

    // Flags overlapping neighbours and keeps the pairs (see scanOverlaps()
    // in TimingOperations.h); derived state, so no change.
    OverlapPairs rescanOverlaps();

    // Undo and redo put back one step and rescan the overlap flags and pairs
    // of the result, so callers rebuild their views from the list without a
    // scan of their own. Both do nothing while recording is paused.
    RestoredChange undo();
    RestoredChange redo();
    bool canUndo() const;
    bool canRedo() const;
    void clearHistory();
    // Paused while a worker fills the list: its changes are not steps, and
    // the first one clears the history, whose steps would no longer fit.
    void setRecording(bool recording);
    bool isRecording() const;
    void setHistoryLimits(int maxSteps, qint64 maxBytes);
    qint64 historyBytes() const;

signals:
    void changed(quint64 version);

private:
    // Holds the write lock for one whole-list change; on leaving, records
    // the change if there was one and announces it after unlocking.
    class WholeListChange
    {
    public:
        explicit WholeListChange(SubtitleList &list);
        ~WholeListChange();
        WholeListChange(const WholeListChange &) = delete;
        WholeListChange &operator=(const WholeListChange &) = delete;

    private:
        SubtitleList &m_list;
        std::unique_lock<std::shared_mutex> m_locker;
        const bool m_recording;
        SubtitleEntries m_before;
    };

    quint64 commitWholeListChange(const SubtitleEntries &before); // 0: nothing changed
    quint64 commitUnrecordedChange();
    RestoredChange restore(RestoredChange (UndoHistory::*step)(SubtitleEntries &));

    mutable std::shared_mutex m_lock;
    SubtitleEntries m_entries;
    OverlapPairs m_overlapPairs;
    UndoHistory m_history;
    quint64 m_version = 0;
    bool m_recording = true;
};

// The program's one list, owned by its state (AppState in the windows);
// the core itself never reaches for it.
SubtitleList &currentSubtitleList();

#include "subtitle/SubtitleList.h"

#include "subtitle/TimingOperations.h"

namespace {
using ReadLock = std::shared_lock<std::shared_mutex>;
using WriteLock = std::unique_lock<std::shared_mutex>;
} // namespace

SubtitleList::WholeListChange::WholeListChange(SubtitleList &list)
    : m_list(list), m_locker(list.m_lock), m_recording(list.m_recording)
{
    // Sharing the entries costs nothing until the edit writes, which then
    // copies the list once: that copy is the undo step.
    if (m_recording)
        m_before = list.m_entries;
}

SubtitleList::WholeListChange::~WholeListChange()
{
    const quint64 version = m_recording ? m_list.commitWholeListChange(m_before)
                                        : m_list.commitUnrecordedChange();
    m_locker.unlock();
    if (version != 0)
        emit m_list.changed(version);
}

SubtitleList::SubtitleList(QObject *parent) : QObject(parent) {}

int SubtitleList::size() const
{
    ReadLock locker(m_lock);
    return m_entries.size();
}

bool SubtitleList::isEmpty() const
{
    ReadLock locker(m_lock);
    return m_entries.isEmpty();
}

SubtitleEntry SubtitleList::at(int index) const
{
    ReadLock locker(m_lock);
    return m_entries.at(index);
}

SubtitleEntries SubtitleList::snapshot() const
{
    ReadLock locker(m_lock);
    // Implicit sharing is thread-safe: the next edit detaches the list's own
    // storage and leaves this copy as it was.
    return m_entries;
}

SubtitleEntries SubtitleList::snapshot(quint64 *version) const
{
    ReadLock locker(m_lock);
    *version = m_version;
    return m_entries;
}

OverlapPairs SubtitleList::overlapPairs() const
{
    ReadLock locker(m_lock);
    return m_overlapPairs;
}

quint64 SubtitleList::version() const
{
    ReadLock locker(m_lock);
    return m_version;
}

bool SubtitleList::replace(int index, const SubtitleEntry &entry, Step step)
{
    quint64 version = 0;
    {
        WriteLock locker(m_lock);
        const SubtitleEntry &current = m_entries.at(index);
        if (current == entry)
            return false;
        const bool continues = step == Step::Continue && m_history.lastStepIsRow(index);
        if (m_recording && !continues)
            m_history.recordRow(index, current);
        else if (!m_recording)
            m_history.clear();
        m_entries[index] = entry;
        version = ++m_version;
    }
    emit changed(version);
    return true;
}

void SubtitleList::append(const SubtitleEntry &entry)
{
    edit([&](SubtitleEntries &entries) { entries.append(entry); });
}

void SubtitleList::append(const SubtitleEntries &entries)
{
    if (entries.isEmpty())
        return;
    edit([&](SubtitleEntries &list) { list.append(entries); });
}

void SubtitleList::insert(int index, const SubtitleEntry &entry)
{
    edit([&](SubtitleEntries &entries) { entries.insert(index, entry); });
}

void SubtitleList::erase(int index)
{
    edit([&](SubtitleEntries &entries) { entries.remove(index); });
}

void SubtitleList::clear()
{
    editWithOverlaps([](SubtitleEntries &entries, OverlapPairs &pairs) {
        entries.clear();
        pairs.clear();
    });
}

void SubtitleList::assign(const SubtitleEntries &entries)
{
    editWithOverlaps([&](SubtitleEntries &list, OverlapPairs &pairs) {
        list = entries;
        pairs.clear();
    });
}

void SubtitleList::replaceDocument(const SubtitleEntries &entries)
{
    quint64 version = 0;
    {
        WriteLock locker(m_lock);
        m_entries = entries;
        m_overlapPairs.clear();
        m_history.clear();
        version = ++m_version;
    }
    emit changed(version);
}

OverlapPairs SubtitleList::rescanOverlaps()
{
    WriteLock locker(m_lock);
    m_overlapPairs = scanOverlaps(m_entries);
    return m_overlapPairs;
}

RestoredChange SubtitleList::undo()
{
    return restore(&UndoHistory::undo);
}

RestoredChange SubtitleList::redo()
{
    return restore(&UndoHistory::redo);
}

bool SubtitleList::canUndo() const
{
    ReadLock locker(m_lock);
    return m_recording && m_history.canUndo();
}

bool SubtitleList::canRedo() const
{
    ReadLock locker(m_lock);
    return m_recording && m_history.canRedo();
}

void SubtitleList::clearHistory()
{
    WriteLock locker(m_lock);
    m_history.clear();
}

void SubtitleList::setRecording(bool recording)
{
    WriteLock locker(m_lock);
    m_recording = recording;
}

bool SubtitleList::isRecording() const
{
    ReadLock locker(m_lock);
    return m_recording;
}

void SubtitleList::setHistoryLimits(int maxSteps, qint64 maxBytes)
{
    WriteLock locker(m_lock);
    m_history.setLimits(maxSteps, maxBytes);
}

qint64 SubtitleList::historyBytes() const
{
    ReadLock locker(m_lock);
    return m_history.bytes();
}

quint64 SubtitleList::commitWholeListChange(const SubtitleEntries &before)
{
    // An edit that only read, or wrote back what was there, changed nothing.
    if (m_entries.isSharedWith(before) || m_entries == before)
        return 0;
    m_history.recordWholeList(before, m_entries);
    return ++m_version;
}

quint64 SubtitleList::commitUnrecordedChange()
{
    m_history.clear();
    return ++m_version;
}

RestoredChange SubtitleList::restore(RestoredChange (UndoHistory::*step)(SubtitleEntries &))
{
    RestoredChange change;
    quint64 version = 0;
    {
        WriteLock locker(m_lock);
        if (!m_recording)
            return change;
        change = (m_history.*step)(m_entries);
        if (!change.restored())
            return change;
        m_overlapPairs = scanOverlaps(m_entries);
        version = ++m_version;
    }
    emit changed(version);
    return change;
}

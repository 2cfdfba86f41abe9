#include "subtitle/SubtitleList.h"

namespace {
using ReadLock = std::shared_lock<std::shared_mutex>;
using WriteLock = std::unique_lock<std::shared_mutex>;
} // namespace

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

void SubtitleList::replace(int index, const SubtitleEntry &entry)
{
    WriteLock locker(m_lock);
    m_entries[index] = entry;
}

void SubtitleList::append(const SubtitleEntry &entry)
{
    WriteLock locker(m_lock);
    m_entries.append(entry);
}

void SubtitleList::append(const SubtitleEntries &entries)
{
    WriteLock locker(m_lock);
    m_entries.append(entries);
}

void SubtitleList::insert(int index, const SubtitleEntry &entry)
{
    WriteLock locker(m_lock);
    m_entries.insert(index, entry);
}

void SubtitleList::erase(int index)
{
    WriteLock locker(m_lock);
    m_entries.remove(index);
}

void SubtitleList::clear()
{
    WriteLock locker(m_lock);
    m_entries.clear();
    m_overlapPairs.clear();
}

SubtitleEntries SubtitleList::snapshot() const
{
    ReadLock locker(m_lock);
    // Implicit sharing is thread-safe: the next edit detaches the list's own
    // storage and leaves this copy as it was.
    return m_entries;
}

void SubtitleList::assign(const SubtitleEntries &entries)
{
    WriteLock locker(m_lock);
    m_entries = entries;
    m_overlapPairs.clear();
}

OverlapPairs SubtitleList::overlapPairs() const
{
    ReadLock locker(m_lock);
    return m_overlapPairs;
}

SubtitleList &currentSubtitleList()
{
    static SubtitleList list;
    return list;
}

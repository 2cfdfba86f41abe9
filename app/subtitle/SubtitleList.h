#pragma once

#include "subtitle/OverlapPairs.h"
#include "subtitle/SubtitleEntry.h"

#include <mutex>
#include <shared_mutex>
#include <utility>

// The ordered list of timed entries the whole program shares, together with
// the overlap pairs derived from it. Every access takes the list's lock, so
// the autosave thread can take a consistent snapshot while the GUI thread
// edits. Multi-step operations run as one locked step through edit().
class SubtitleList
{
public:
    int size() const;
    bool isEmpty() const;
    SubtitleEntry at(int index) const;
    void replace(int index, const SubtitleEntry &entry);
    void append(const SubtitleEntry &entry);
    void append(const SubtitleEntries &entries);
    void insert(int index, const SubtitleEntry &entry); // index == size() appends
    void erase(int index);
    void clear(); // also forgets the overlap pairs

    SubtitleEntries snapshot() const;
    void assign(const SubtitleEntries &entries); // replaces everything, forgets the pairs
    OverlapPairs overlapPairs() const;

    // Runs f(SubtitleEntries &) under the write lock and returns its result.
    template <typename F>
    auto edit(F &&f)
    {
        std::unique_lock<std::shared_mutex> locker(m_lock);
        return std::forward<F>(f)(m_entries);
    }
    // Runs f(SubtitleEntries &, OverlapPairs &) under the write lock.
    template <typename F>
    auto editWithOverlaps(F &&f)
    {
        std::unique_lock<std::shared_mutex> locker(m_lock);
        return std::forward<F>(f)(m_entries, m_overlapPairs);
    }
    // Runs f(const SubtitleEntries &) under the read lock.
    template <typename F>
    auto read(F &&f) const
    {
        std::shared_lock<std::shared_mutex> locker(m_lock);
        return std::forward<F>(f)(static_cast<const SubtitleEntries &>(m_entries));
    }

private:
    mutable std::shared_mutex m_lock;
    SubtitleEntries m_entries;
    OverlapPairs m_overlapPairs;
};

// The one process-wide list.
SubtitleList &currentSubtitleList();

#pragma once

#include <QString>

// An advisory lock on a file in the program folder, held until the object
// goes (or the process ends).
class FolderLock
{
public:
    FolderLock() = default;
    ~FolderLock();
    FolderLock(const FolderLock &) = delete;
    FolderLock &operator=(const FolderLock &) = delete;

    // Exclusive at once, or false: the updater's own lock.
    bool tryExclusive(const QString &path, QString *error);
    // Exclusive within `waitMs`, retried every `stepMs`: waits for every
    // running program, which holds the lock shared, to end.
    bool waitExclusive(const QString &path, int waitMs, int stepMs, QString *error);
    bool isHeld() const { return m_fd >= 0; }
    void release();

private:
    bool open(const QString &path, QString *error);

    int m_fd = -1;
};

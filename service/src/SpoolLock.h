#pragma once
// The lock file beside an upload in the spool, shared by every service node
// on the folder. Open-file-description byte-range locks (F_OFD_SETLK): they
// conflict between connections of one process as well as between processes,
// and the kernel (or the file server) drops them when their holder dies.
//
//   byte 0, exclusive: the connection receiving the upload
//   byte 1, shared:    connections waiting for byte 0 (the holder lets go)
//   byte 2, shared:    every connection with the upload open, job included
//
// Only the holder of all three bytes may remove the upload and its lock
// file; whoever takes a lock checks the file is still linked afterwards.

#include <memory>
#include <string>

namespace cw::service {

enum class SpoolLockByte { Writing = 0, Wanted = 1, InUse = 2 };

class SpoolLock {
public:
    ~SpoolLock();
    SpoolLock(const SpoolLock &) = delete;
    SpoolLock &operator=(const SpoolLock &) = delete;

    // Opens `path`, creating it when `create`; null and `error` when it cannot.
    static std::unique_ptr<SpoolLock> open(const std::string &path, bool create, std::string *error);

    // Non-blocking; false when another holder is in the way. Taking a byte
    // this lock already holds converts it (shared to exclusive or back).
    bool tryExclusive(SpoolLockByte byte);
    bool tryShared(SpoolLockByte byte);
    // All three bytes at once: nobody else has the upload in any way.
    bool tryExclusiveAll();
    void unlock(SpoolLockByte byte);
    void unlockAll();
    // True when another holder has `byte` in any mode.
    bool heldByOthers(SpoolLockByte byte) const;
    // The path still names this file (a remover may have unlinked it between
    // our open and our lock).
    bool stillLinked() const;
    // Unlinks the path; only while holding every byte.
    void removePath();
    const std::string &path() const { return path_; }

private:
    SpoolLock(std::string path, int fd);
    bool set(int type, long start, long length);

    std::string path_;
    int fd_;
};

}  // namespace cw::service

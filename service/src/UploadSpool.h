#pragma once
// Partial uploads on disk, one per user and audio fingerprint, so a cut
// upload resumes where it stopped. Beside each "<fingerprint>.part" a
// "<fingerprint>.len" names how many of its bytes were synced to disk; only
// those count after a crash, however long the file is. A "<fingerprint>.paid"
// names the job charged for the finished upload while its result goes out:
// should that fail, the client's next try gets the result without paying twice.
// A "<fingerprint>.lock" (SpoolLock) keeps the rules across every service
// node on the folder: one connection receives an upload at a time, and
// nobody removes an upload another connection still has open.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace cw::service {

class SpoolLock;
class UploadSpool;

class SpoolEntry {
public:
    ~SpoolEntry();  // syncs what was written, then frees the claim and the upload
    SpoolEntry(const SpoolEntry &) = delete;
    SpoolEntry &operator=(const SpoolEntry &) = delete;

    // Opens the part file and cuts it back to the synced length (0 when it
    // exceeds `expectedSize`, which means it belongs to something else; that
    // is refused while another connection has it open).
    bool open(int64_t expectedSize, std::string *error);
    int64_t length() const { return length_; }
    const std::string &partPath() const { return partPath_; }
    int fd() const { return fd_; }

    bool append(const void *data, size_t size);
    // fdatasync, then record the length durably.
    bool commit();
    // Records, durably, that job `jobId` (with the transcript of digest
    // `textFingerprint`, empty for none) is about to be charged for this upload.
    bool markPaid(int64_t jobId, const std::string &textFingerprint);
    // The job of the last markPaid for that transcript; 0 when none.
    int64_t paidJob(const std::string &textFingerprint) const;
    // Removes the files, unless another upload has replaced them meanwhile or
    // another connection still has them open (that one ends them instead).
    void discard();
    // Lets other connections have the upload once it is complete and checked;
    // the file no longer changes, so sharing it is safe.
    void releaseClaim();
    // Set when a newer connection wants this upload.
    const std::atomic<bool> &abandonRequested() const { return *abandon_; }

private:
    friend class UploadSpool;
    SpoolEntry(UploadSpool &spool, std::string key, const std::string &basePath, std::shared_ptr<SpoolLock> lock,
               std::shared_ptr<std::atomic<bool>> abandon);
    bool writeLengthFile(int64_t length);

    UploadSpool &spool_;
    std::string key_;
    std::string basePath_;
    std::string partPath_;
    std::string lengthPath_;
    std::string paidPath_;
    std::shared_ptr<SpoolLock> lock_;
    std::shared_ptr<std::atomic<bool>> abandon_;
    int fd_ = -1;
    int64_t length_ = 0;
    int64_t committed_ = 0;
    bool claimed_ = true;
};

class UploadSpool {
public:
    explicit UploadSpool(std::string directory);
    ~UploadSpool();
    UploadSpool(const UploadSpool &) = delete;
    UploadSpool &operator=(const UploadSpool &) = delete;
    const std::string &directory() const { return directory_; }

    // Claims the upload, asking an earlier connection holding it (in this
    // process or another) to let go and waiting up to `wait` for it. Null
    // when it could not be had.
    std::unique_ptr<SpoolEntry> claim(int64_t userId, const std::string &fingerprint, std::chrono::milliseconds wait,
                                      const std::atomic<bool> &stopping);
    // Removes files untouched for longer than `maxAgeSeconds` of uploads
    // nobody has open, and lock files left without an upload.
    int sweep(int64_t maxAgeSeconds);
    int64_t freeBytes() const;

private:
    friend class SpoolEntry;
    struct Claim {
        std::shared_ptr<SpoolLock> lock;
        std::shared_ptr<std::atomic<bool>> abandon;
    };
    void release(const std::string &key);
    // Tells this process's claims that a connection elsewhere waits for them.
    void watchWaiters();
    void sweepKey(const std::string &base, const std::vector<std::string> &names, int64_t maxAgeSeconds,
                  int *removed);

    std::string directory_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::map<std::string, Claim> claims_;  // uploads this process is receiving
    bool closing_ = false;
    std::thread watcher_;
};

}  // namespace cw::service

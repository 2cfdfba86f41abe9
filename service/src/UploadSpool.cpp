#include "UploadSpool.h"

#include "SpoolLock.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <vector>

namespace cw::service {

namespace {

using Clock = std::chrono::steady_clock;

// How often a claim looks for a connection elsewhere waiting for it, and how
// often a waiting claim tries again.
constexpr auto kWatchEvery = std::chrono::milliseconds(50);
constexpr auto kRetryEvery = std::chrono::milliseconds(10);

bool makeDirectory(const std::string &path)
{
    return ::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST;
}

void syncDirectory(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

int64_t readLengthFile(const std::string &path)
{
    FILE *file = std::fopen(path.c_str(), "rb");
    if (!file)
        return 0;
    long long value = 0;
    const bool ok = std::fscanf(file, "%lld", &value) == 1;
    std::fclose(file);
    return ok && value > 0 ? int64_t(value) : 0;
}

std::string parentOf(const std::string &path)
{
    return path.substr(0, path.rfind('/'));
}

// Temporaries of small files whose writer died before its rename.
void removeTemporaries(const std::string &basePath)
{
    const std::string folder = parentOf(basePath);
    const std::string prefix = basePath.substr(folder.size() + 1) + ".";
    DIR *dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    std::vector<std::string> names;
    while (dirent *entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.compare(0, prefix.size(), prefix) == 0 && name.find(".tmp.") != std::string::npos)
            names.push_back(name);
    }
    ::closedir(dir);
    for (const std::string &name : names)
        ::unlink((folder + "/" + name).c_str());
}

}  // namespace

SpoolEntry::SpoolEntry(UploadSpool &spool, std::string key, const std::string &basePath,
                       std::shared_ptr<SpoolLock> lock, std::shared_ptr<std::atomic<bool>> abandon)
    : spool_(spool), key_(std::move(key)), basePath_(basePath), partPath_(basePath + ".part"), lengthPath_(basePath + ".len"),
      paidPath_(basePath + ".paid"), lock_(std::move(lock)), abandon_(std::move(abandon))
{
}

SpoolEntry::~SpoolEntry()
{
    if (fd_ >= 0) {
        if (length_ != committed_)
            commit();
        ::close(fd_);
    }
    releaseClaim();
    // A claim that never made a part file (refused before its upload) leaves
    // no lock file behind, unless somebody else has just come for it.
    struct stat info {};
    if (::stat(partPath_.c_str(), &info) != 0 && errno == ENOENT && lock_->tryExclusiveAll())
        lock_->removePath();
}

void SpoolEntry::releaseClaim()
{
    if (claimed_) {
        lock_->unlock(SpoolLockByte::Writing);
        spool_.release(key_);
    }
    claimed_ = false;
}

bool SpoolEntry::open(int64_t expectedSize, std::string *error)
{
    if (!makeDirectory(parentOf(partPath_))) {
        *error = std::string("cannot create spool folder: ") + std::strerror(errno);
        return false;
    }
    fd_ = ::open(partPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) {
        *error = std::string("cannot open spool file: ") + std::strerror(errno);
        return false;
    }
    struct stat info {};
    ::fstat(fd_, &info);
    int64_t synced = std::min<int64_t>(readLengthFile(lengthPath_), int64_t(info.st_size));
    if (synced > expectedSize) {
        // A finished upload may be mapped by a job still running, here or on
        // another node; cutting it short, or removing it under a reader on a
        // network file system, would fault the engine reading it.
        if (!lock_->tryExclusive(SpoolLockByte::InUse)) {
            ::close(fd_);
            fd_ = -1;
            *error = "spooled upload of another size still in use";
            return false;
        }
        lock_->tryShared(SpoolLockByte::InUse);
        ::close(fd_);
        ::unlink(paidPath_.c_str());
        ::unlink(lengthPath_.c_str());
        ::unlink(partPath_.c_str());
        fd_ = ::open(partPath_.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd_ < 0) {
            *error = std::string("cannot open spool file: ") + std::strerror(errno);
            return false;
        }
        synced = 0;
    }
    // A mark without its upload (swept, say) must not make a new upload free.
    if (synced < expectedSize)
        ::unlink(paidPath_.c_str());
    if (::ftruncate(fd_, synced) != 0 || ::lseek(fd_, synced, SEEK_SET) != synced) {
        *error = std::string("cannot reset spool file: ") + std::strerror(errno);
        return false;
    }
    length_ = committed_ = synced;
    return true;
}

bool SpoolEntry::append(const void *data, size_t size)
{
    const auto *bytes = static_cast<const unsigned char *>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd_, bytes, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes += n;
        size -= size_t(n);
        length_ += n;
    }
    return true;
}

namespace {

// Written beside, synced and renamed over: a crash leaves the old text or the
// new. The temporary's name is unique, so writers on several nodes (or
// connections) never write into one another's.
bool writeSmallFile(const std::string &path, const std::string &text)
{
    std::string temporary = path + ".tmp.XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, text.data(), text.size()) == ssize_t(text.size()) && ::fsync(fd) == 0;
    ::close(fd);
    if (!written || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    syncDirectory(parentOf(path));
    return true;
}

}  // namespace

bool SpoolEntry::writeLengthFile(int64_t length)
{
    return writeSmallFile(lengthPath_, std::to_string(length) + "\n");
}

bool SpoolEntry::markPaid(int64_t jobId, const std::string &textFingerprint)
{
    return writeSmallFile(paidPath_, std::to_string(jobId) + " " + textFingerprint + "\n");
}

int64_t SpoolEntry::paidJob(const std::string &textFingerprint) const
{
    FILE *file = std::fopen(paidPath_.c_str(), "rb");
    if (!file)
        return 0;
    long long job = 0;
    char digest[64] = {0};
    const int read = std::fscanf(file, "%lld %63s", &job, digest);
    std::fclose(file);
    if (read < 1 || job <= 0 || (read == 2 ? std::string(digest) : std::string()) != textFingerprint)
        return 0;
    return int64_t(job);
}

bool SpoolEntry::commit()
{
    if (fd_ < 0 || ::fdatasync(fd_) != 0)
        return false;
    if (!writeLengthFile(length_))
        return false;
    committed_ = length_;
    return true;
}

void SpoolEntry::discard()
{
    struct stat mine {}, current {};
    const bool same = fd_ >= 0 && ::fstat(fd_, &mine) == 0 && ::stat(partPath_.c_str(), &current) == 0
                      && mine.st_dev == current.st_dev && mine.st_ino == current.st_ino;
    // Another connection with the upload open (a retry, on any node) may
    // still need the part and its paid note; the last one out removes them.
    if (same && lock_->tryExclusiveAll()) {
        ::unlink(paidPath_.c_str());
        ::unlink(lengthPath_.c_str());
        ::unlink(partPath_.c_str());
        removeTemporaries(basePath_);  // nobody else can be writing one now
        lock_->removePath();
    }
    // Done with it either way: the other connection's own discard must not
    // find this one still holding the upload.
    releaseClaim();
    lock_->unlockAll();
    length_ = committed_ = 0;
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

UploadSpool::UploadSpool(std::string directory) : directory_(std::move(directory))
{
    makeDirectory(directory_);
    watcher_ = std::thread([this] { watchWaiters(); });
}

UploadSpool::~UploadSpool()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closing_ = true;
    }
    changed_.notify_all();
    watcher_.join();
}

std::unique_ptr<SpoolEntry> UploadSpool::claim(int64_t userId, const std::string &fingerprint,
                                               std::chrono::milliseconds wait, const std::atomic<bool> &stopping)
{
    const std::string key = std::to_string(userId) + "/" + fingerprint;
    const std::string base = directory_ + "/" + key;
    const auto deadline = Clock::now() + wait;
    if (!makeDirectory(parentOf(base)))
        return nullptr;
    std::shared_ptr<SpoolLock> lock;
    bool waiting = false;
    for (;;) {
        if (!lock) {
            std::string error;
            lock = SpoolLock::open(base + ".lock", true, &error);
            if (!lock)
                return nullptr;
            // Once held, nobody removes the upload under us; a remover that
            // was quicker has unlinked this file, so we open the new one.
            if (!lock->tryShared(SpoolLockByte::InUse) || !lock->stillLinked()) {
                lock.reset();
                waiting = false;
            }
        }
        if (lock && lock->tryExclusive(SpoolLockByte::Writing)) {
            lock->unlock(SpoolLockByte::Wanted);
            auto abandon = std::make_shared<std::atomic<bool>>(false);
            {
                std::lock_guard<std::mutex> guard(mutex_);
                claims_[key] = Claim{lock, abandon};
            }
            changed_.notify_all();
            return std::unique_ptr<SpoolEntry>(new SpoolEntry(*this, key, base, lock, abandon));
        }
        // The holder's process sees this byte and asks it to let go.
        if (lock && !waiting)
            waiting = lock->tryShared(SpoolLockByte::Wanted);
        std::unique_lock<std::mutex> guard(mutex_);
        const auto held = claims_.find(key);
        if (held != claims_.end())
            held->second.abandon->store(true);
        if (stopping.load() || Clock::now() >= deadline)
            return nullptr;
        changed_.wait_for(guard, kRetryEvery);
    }
}

void UploadSpool::release(const std::string &key)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        claims_.erase(key);
    }
    changed_.notify_all();
}

void UploadSpool::watchWaiters()
{
    std::unique_lock<std::mutex> guard(mutex_);
    while (!closing_) {
        changed_.wait(guard, [this] { return closing_ || !claims_.empty(); });
        changed_.wait_for(guard, kWatchEvery, [this] { return closing_; });
        std::vector<Claim> held;
        for (const auto &entry : claims_)
            if (!entry.second.abandon->load())
                held.push_back(entry.second);
        // On a network file system a test costs a round trip: not under the mutex.
        guard.unlock();
        for (const Claim &claim : held)
            if (claim.lock->heldByOthers(SpoolLockByte::Wanted))
                claim.abandon->store(true);
        guard.lock();
    }
}

int UploadSpool::sweep(int64_t maxAgeSeconds)
{
    int removed = 0;
    DIR *top = ::opendir(directory_.c_str());
    if (!top)
        return 0;
    std::vector<std::string> users;
    while (dirent *entry = ::readdir(top))
        if (entry->d_name[0] != '.')
            users.push_back(entry->d_name);
    ::closedir(top);
    for (const std::string &user : users) {
        const std::string folder = directory_ + "/" + user;
        DIR *dir = ::opendir(folder.c_str());
        if (!dir)
            continue;
        // Each upload's files by its fingerprint (".nfs…" leftovers of a
        // network file system start with a dot and are not ours).
        std::map<std::string, std::vector<std::string>> byUpload;
        while (dirent *entry = ::readdir(dir))
            if (entry->d_name[0] != '.') {
                const std::string name = entry->d_name;
                byUpload[name.substr(0, name.find('.'))].push_back(name);
            }
        ::closedir(dir);
        for (const auto &[fingerprint, names] : byUpload)
            sweepKey(folder + "/" + fingerprint, names, maxAgeSeconds, &removed);
    }
    return removed;
}

void UploadSpool::sweepKey(const std::string &base, const std::vector<std::string> &names, int64_t maxAgeSeconds,
                           int *removed)
{
    const std::time_t now = std::time(nullptr);
    const std::string folder = parentOf(base);
    const std::string lockName = base.substr(folder.size() + 1) + ".lock";
    std::vector<std::string> files, stale;
    for (const std::string &name : names) {
        if (name == lockName)
            continue;
        const std::string path = folder + "/" + name;
        files.push_back(path);
        struct stat info {};
        if (::stat(path.c_str(), &info) == 0 && now - info.st_mtime >= maxAgeSeconds)
            stale.push_back(path);
    }
    if (stale.empty() && !files.empty())
        return;
    // Somebody has the upload open (receiving it, or its job running, on any
    // node): it is not ours to remove.
    std::string error;
    auto lock = SpoolLock::open(base + ".lock", true, &error);
    if (!lock || !lock->tryExclusiveAll() || !lock->stillLinked())
        return;
    for (const std::string &path : stale)
        if (::unlink(path.c_str()) == 0)
            ++*removed;
    struct stat info {};
    for (const std::string &path : files)
        if (::stat(path.c_str(), &info) == 0)
            return;  // some of the upload is still fresh: its lock file stays
    lock->removePath();
}

int64_t UploadSpool::freeBytes() const
{
    struct statvfs info {};
    if (::statvfs(directory_.c_str(), &info) != 0)
        return -1;
    return int64_t(info.f_bavail) * int64_t(info.f_frsize);
}

}  // namespace cw::service

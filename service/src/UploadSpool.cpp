#include "UploadSpool.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <ctime>
#include <vector>

namespace cw::service {

namespace {

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

}  // namespace

SpoolEntry::SpoolEntry(UploadSpool &spool, std::string key, const std::string &basePath,
                       std::shared_ptr<std::atomic<bool>> abandon)
    : spool_(spool), key_(std::move(key)), partPath_(basePath + ".part"), lengthPath_(basePath + ".len"),
      paidPath_(basePath + ".paid"), abandon_(std::move(abandon))
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
}

void SpoolEntry::releaseClaim()
{
    if (claimed_)
        spool_.release(key_);
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
        // A finished upload may be mapped by a job still running; cutting
        // that file short would fault the engine reading it. Start a new
        // file instead and leave the old one to its readers.
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

// Written beside, synced and renamed over: a crash leaves the old text or the new.
bool writeSmallFile(const std::string &path, const std::string &text)
{
    const std::string temporary = path + ".tmp";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
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
    if (same) {
        ::unlink(paidPath_.c_str());
        ::unlink(lengthPath_.c_str());
        ::unlink(partPath_.c_str());
    }
    length_ = committed_ = 0;
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

UploadSpool::UploadSpool(std::string directory) : directory_(std::move(directory))
{
    makeDirectory(directory_);
}

std::unique_ptr<SpoolEntry> UploadSpool::claim(int64_t userId, const std::string &fingerprint,
                                               std::chrono::milliseconds wait, const std::atomic<bool> &stopping)
{
    const std::string key = std::to_string(userId) + "/" + fingerprint;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        auto held = claims_.find(key);
        if (held == claims_.end())
            break;
        held->second->store(true);
        if (stopping.load() || released_.wait_until(lock, deadline) == std::cv_status::timeout)
            if (claims_.count(key) || stopping.load())
                return nullptr;
    }
    auto abandon = std::make_shared<std::atomic<bool>>(false);
    claims_[key] = abandon;
    const std::string base = directory_ + "/" + key;
    return std::unique_ptr<SpoolEntry>(new SpoolEntry(*this, key, base, abandon));
}

void UploadSpool::release(const std::string &key)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        claims_.erase(key);
    }
    released_.notify_all();
}

int UploadSpool::sweep(int64_t maxAgeSeconds)
{
    int removed = 0;
    const std::time_t now = std::time(nullptr);
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
        std::vector<std::string> names;
        while (dirent *entry = ::readdir(dir))
            if (entry->d_name[0] != '.')
                names.push_back(entry->d_name);
        ::closedir(dir);
        for (const std::string &name : names) {
            const std::string path = folder + "/" + name;
            struct stat info {};
            if (::stat(path.c_str(), &info) != 0 || now - info.st_mtime < maxAgeSeconds)
                continue;
            const std::string key = user + "/" + name.substr(0, name.find('.'));
            std::lock_guard<std::mutex> lock(mutex_);
            if (claims_.count(key))
                continue;
            if (::unlink(path.c_str()) == 0)
                ++removed;
        }
    }
    return removed;
}

int64_t UploadSpool::freeBytes() const
{
    struct statvfs info {};
    if (::statvfs(directory_.c_str(), &info) != 0)
        return -1;
    return int64_t(info.f_bavail) * int64_t(info.f_frsize);
}

}  // namespace cw::service

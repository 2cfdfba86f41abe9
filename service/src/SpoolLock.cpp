#include "SpoolLock.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace cw::service {

SpoolLock::SpoolLock(std::string path, int fd) : path_(std::move(path)), fd_(fd)
{
}

SpoolLock::~SpoolLock()
{
    ::close(fd_);  // drops whatever this description still holds
}

std::unique_ptr<SpoolLock> SpoolLock::open(const std::string &path, bool create, std::string *error)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | (create ? O_CREAT : 0), 0600);
    if (fd < 0) {
        *error = "cannot open " + path + ": " + std::strerror(errno);
        return nullptr;
    }
    return std::unique_ptr<SpoolLock>(new SpoolLock(path, fd));
}

bool SpoolLock::set(int type, long start, long length)
{
    struct flock lock {};
    lock.l_type = short(type);
    lock.l_whence = SEEK_SET;
    lock.l_start = start;
    lock.l_len = length;
    for (;;) {
        if (::fcntl(fd_, F_OFD_SETLK, &lock) == 0)
            return true;
        if (errno != EINTR)
            return false;
    }
}

bool SpoolLock::tryExclusive(SpoolLockByte byte)
{
    return set(F_WRLCK, long(byte), 1);
}

bool SpoolLock::tryShared(SpoolLockByte byte)
{
    return set(F_RDLCK, long(byte), 1);
}

bool SpoolLock::tryExclusiveAll()
{
    return set(F_WRLCK, 0, 3);
}

void SpoolLock::unlock(SpoolLockByte byte)
{
    set(F_UNLCK, long(byte), 1);
}

void SpoolLock::unlockAll()
{
    set(F_UNLCK, 0, 3);
}

bool SpoolLock::heldByOthers(SpoolLockByte byte) const
{
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = long(byte);
    lock.l_len = 1;
    // Our own locks never conflict with our own description, so any
    // answer but "unlocked" is somebody else's.
    if (::fcntl(fd_, F_OFD_GETLK, &lock) != 0)
        return false;
    return lock.l_type != F_UNLCK;
}

bool SpoolLock::stillLinked() const
{
    struct stat mine {}, named {};
    return ::fstat(fd_, &mine) == 0 && mine.st_nlink > 0 && ::stat(path_.c_str(), &named) == 0
           && mine.st_dev == named.st_dev && mine.st_ino == named.st_ino;
}

void SpoolLock::removePath()
{
    if (stillLinked())
        ::unlink(path_.c_str());
}

}  // namespace cw::service

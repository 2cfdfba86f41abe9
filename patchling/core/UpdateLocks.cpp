#include "UpdateLocks.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

FolderLock::~FolderLock()
{
    release();
}

void FolderLock::release()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool FolderLock::open(const QString &path, QString *error)
{
    release();
    m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (m_fd < 0)
        *error = QStringLiteral("cannot open %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
    return m_fd >= 0;
}

bool FolderLock::tryExclusive(const QString &path, QString *error)
{
    return waitExclusive(path, 0, 1, error);
}

bool FolderLock::waitExclusive(const QString &path, int waitMs, int stepMs, QString *error)
{
    if (!open(path, error))
        return false;
    for (int waited = 0;; waited += stepMs) {
        if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0)
            return true;
        if (errno != EWOULDBLOCK && errno != EINTR) {
            *error = QStringLiteral("cannot lock %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
            break;
        }
        if (waited >= waitMs) {
            *error = QStringLiteral("%1 is held by another process").arg(path);
            break;
        }
        ::usleep(useconds_t(stepMs) * 1000);
    }
    release();
    return false;
}

#include "update/RunningLock.h"

#include "update/ProgramVersion.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

RunningLock::RunningLock(const QString &programFolder)
{
    const QByteArray path = QFile::encodeName(programFolder + QLatin1Char('/') + UpdateFiles::runningLockName);
    // A folder the user cannot write cannot be updated either: then there is
    // nothing to guard against, and the program runs without the lock.
    m_fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (m_fd < 0)
        m_fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (m_fd < 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        return;
    }
    // Waits while an updater swaps files, so the program starts on a whole
    // installation; bounded, so a stuck updater cannot keep it from starting.
    for (int waited = 0; ::flock(m_fd, LOCK_SH | LOCK_NB) != 0; waited += WaitStepMs) {
        if ((errno != EWOULDBLOCK && errno != EINTR) || waited >= MaxWaitMs) {
            m_error = QString::fromLocal8Bit(std::strerror(errno));
            ::close(m_fd);
            m_fd = -1;
            return;
        }
        ::usleep(WaitStepMs * 1000);
    }
}

RunningLock::~RunningLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

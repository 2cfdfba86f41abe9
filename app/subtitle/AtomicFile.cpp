#include "subtitle/AtomicFile.h"

#include <QAtomicInteger>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString TemporarySuffix = QStringLiteral(".cwtmp");

// Closes a descriptor when it goes out of scope.
class Descriptor
{
public:
    explicit Descriptor(int fd = -1) : m_fd(fd) {}
    ~Descriptor() { reset(); }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    int release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    void reset(int fd = -1)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd;
};

// errno as the text the callers report.
QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

bool fail(QString *errorText, int error)
{
    if (errorText)
        *errorText = systemError(error);
    return false;
}

bool writeAll(int fd, const QByteArray &bytes)
{
    const char *data = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, size_t(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        left -= written;
    }
    return true;
}

bool processIsGone(qint64 pid)
{
    if (pid <= 0 || pid > std::numeric_limits<pid_t>::max() || pid == qint64(::getpid()))
        return false; // no writer's pid, or ours: leave it
    return ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}

// Removes the temporaries of `fileName` that writers which are gone left in
// the folder (killed between link and rename, or mid-write where unnamed
// files are not supported).
void removeStaleTemporaries(int folder, const QString &fileName)
{
    Descriptor listing(::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    DIR *dir = listing.valid() ? ::fdopendir(listing.get()) : nullptr;
    if (!dir)
        return;
    listing.release(); // the stream owns it now
    const QByteArray prefix = QFile::encodeName(QLatin1Char('.') + fileName + QLatin1Char('.'));
    while (const dirent *entry = ::readdir(dir)) {
        if (std::strncmp(entry->d_name, prefix.constData(), size_t(prefix.size())) != 0)
            continue;
        const qint64 owner = atomicWriteTemporaryOwner(QFile::decodeName(entry->d_name), fileName);
        if (owner > 0 && processIsGone(owner))
            ::unlinkat(folder, entry->d_name, 0);
    }
    ::closedir(dir);
}

// Creates the file that takes the bytes: unnamed where the system allows
// (a killed writer then leaves nothing), else under `temporaryName`.
int createTemporary(int folder, const QByteArray &temporaryName, mode_t mode, bool *unnamed)
{
#ifdef O_TMPFILE
    // Linking an unnamed file needs its /proc name.
    static const bool canLink = ::access("/proc/self/fd", X_OK) == 0;
    const int fd = canLink ? ::openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode) : -1;
    if (fd >= 0) {
        *unnamed = true;
        return fd;
    }
    if (canLink && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL && errno != ENOENT)
        return -1;
#endif
    *unnamed = false;
    return ::openat(folder, temporaryName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
}

// Gives the unnamed file `fd` the name `temporaryName`.
bool linkUnnamed(int fd, int folder, const QByteArray &temporaryName)
{
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
    if (::linkat(AT_FDCWD, self.constData(), folder, temporaryName.constData(), AT_SYMLINK_FOLLOW) == 0)
        return true;
#ifdef AT_EMPTY_PATH
    return ::linkat(fd, "", folder, temporaryName.constData(), AT_EMPTY_PATH) == 0;
#else
    return false;
#endif
}

// A folder where no temporary file can be made, but whose file is writable,
// still gets its file, just without the atomic swap.
bool writeInPlace(const QByteArray &target, const QByteArray &bytes, QString *errorText)
{
    Descriptor fd(::open(target.constData(), O_WRONLY | O_TRUNC | O_CLOEXEC));
    if (!fd.valid() || !writeAll(fd.get(), bytes) || ::fsync(fd.get()) != 0)
        return fail(errorText, errno);
    return true;
}

QAtomicInteger<quint64> temporarySerial;

} // namespace

QString atomicWriteTemporaryName(const QString &fileName, qint64 pid, quint64 serial)
{
    return QStringLiteral(".%1.%2.%3%4").arg(fileName).arg(pid).arg(serial).arg(TemporarySuffix);
}

qint64 atomicWriteTemporaryOwner(const QString &entryName, const QString &fileName)
{
    const QString prefix = QLatin1Char('.') + fileName + QLatin1Char('.');
    if (!entryName.startsWith(prefix) || !entryName.endsWith(TemporarySuffix))
        return 0;
    const QStringList numbers
        = entryName.mid(prefix.size(), entryName.size() - prefix.size() - TemporarySuffix.size()).split(QLatin1Char('.'));
    bool pidOk = false;
    bool serialOk = false;
    const qint64 pid = numbers.size() == 2 ? numbers[0].toLongLong(&pidOk) : 0;
    if (numbers.size() == 2)
        numbers[1].toULongLong(&serialOk);
    return pidOk && serialOk && pid > 0 ? pid : 0;
}

bool writeFileAtomically(const QString &path, const QByteArray &bytes)
{
    return writeFileAtomically(path, bytes, nullptr);
}

bool writeFileAtomically(const QString &path, const QByteArray &bytes, QString *errorText)
{
    QFileInfo target(path);
    if (target.isSymLink())
        target = QFileInfo(target.symLinkTarget());
    const QString fileName = target.fileName();
    if (fileName.isEmpty())
        return fail(errorText, EISDIR);
    const QByteArray targetName = QFile::encodeName(fileName);
    const QByteArray targetPath = QFile::encodeName(target.absoluteFilePath());

    Descriptor folder(::open(QFile::encodeName(target.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.valid())
        return fail(errorText, errno);
    removeStaleTemporaries(folder.get(), fileName);

    struct stat existing;
    const bool exists = ::fstatat(folder.get(), targetName.constData(), &existing, 0) == 0;
    if (exists && S_ISDIR(existing.st_mode))
        return fail(errorText, EISDIR);
    const mode_t mode = exists ? (existing.st_mode & 07777) : 0666;

    const QByteArray temporaryName
        = QFile::encodeName(atomicWriteTemporaryName(fileName, ::getpid(), temporarySerial.fetchAndAddRelaxed(1)));
    bool unnamed = false;
    Descriptor fd(createTemporary(folder.get(), temporaryName, mode, &unnamed));
    if (!fd.valid()) {
        const int error = errno;
        if (exists && (error == EACCES || error == EPERM || error == EROFS) && ::access(targetPath.constData(), W_OK) == 0)
            return writeInPlace(targetPath, bytes, errorText);
        return fail(errorText, error);
    }
    // The umask narrowed a new file as it would any other; an existing one
    // keeps exactly what it had.
    if (exists)
        ::fchmod(fd.get(), mode);

    bool named = !unnamed;
    int error = 0;
    if (!writeAll(fd.get(), bytes) || ::fsync(fd.get()) != 0)
        error = errno;
    else if (unnamed && !(named = linkUnnamed(fd.get(), folder.get(), temporaryName)))
        error = errno;
    else if (::renameat(folder.get(), temporaryName.constData(), folder.get(), targetName.constData()) != 0)
        error = errno;
    if (error != 0) {
        if (named)
            ::unlinkat(folder.get(), temporaryName.constData(), 0);
        return fail(errorText, error);
    }
    // The rename itself must survive a power cut too.
    ::fsync(folder.get());
    return true;
}

bool readWholeFile(const QString &path, QByteArray *bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    *bytes = file.readAll();
    return file.error() == QFileDevice::NoError;
}

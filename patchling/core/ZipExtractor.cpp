#include "ZipExtractor.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStringList>

#include <minizip/unzip.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>

namespace {

struct ScannedEntry
{
    EntryName name;
    EntryType type;
    qint64 size = 0;
    tm_unz time{};
};

class Archive
{
public:
    explicit Archive(const QString &path)
        : m_file(unzOpen64(QFile::encodeName(path).constData()))
    {
    }
    ~Archive()
    {
        if (m_file)
            unzClose(m_file);
    }
    unzFile get() const { return m_file; }

private:
    unzFile m_file;
};

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// The current entry's header, its name read into a buffer sized from the header.
bool readHeader(unzFile zip, unz_file_info64 *info, QByteArray *name)
{
    if (unzGetCurrentFileInfo64(zip, info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
        return false;
    QByteArray buffer(int(info->size_filename) + 1, '\0');
    if (unzGetCurrentFileInfo64(zip, info, buffer.data(), uLong(buffer.size()), nullptr, 0, nullptr, 0) != UNZ_OK)
        return false;
    buffer.truncate(int(info->size_filename));
    *name = buffer;
    return true;
}

// Makes every folder of `relative` below `root`; existing folders are fine,
// anything else in the way fails.
bool makeFolders(const QString &root, const QString &relative, QSet<QString> *made, QString *error)
{
    QString path;
    for (const QString &component : relative.split(QLatin1Char('/'))) {
        path = path.isEmpty() ? component : path + QLatin1Char('/') + component;
        if (made->contains(path))
            continue;
        const QByteArray full = QFile::encodeName(root + QLatin1Char('/') + path);
        if (::mkdir(full.constData(), 0700) != 0) {
            *error = QStringLiteral("cannot make %1: %2").arg(path, systemError());
            return false;
        }
        made->insert(path);
    }
    return true;
}

timespec entryTime(const tm_unz &time)
{
    std::tm local{};
    local.tm_year = int(time.tm_year) - 1900;
    local.tm_mon = int(time.tm_mon);
    local.tm_mday = int(time.tm_mday);
    local.tm_hour = int(time.tm_hour);
    local.tm_min = int(time.tm_min);
    local.tm_sec = int(time.tm_sec);
    local.tm_isdst = -1;
    const std::time_t seconds = std::mktime(&local);
    return timespec{seconds < 0 ? 0 : seconds, 0};
}

bool scan(unzFile zip, qint64 archiveBytes, const ArchiveLimits &limits, QList<ScannedEntry> *entries,
          QString *error)
{
    unz_global_info64 global{};
    if (unzGetGlobalInfo64(zip, &global) != UNZ_OK) {
        *error = QStringLiteral("the archive's directory cannot be read");
        return false;
    }
    if (global.number_entry > ZPOS64_T(limits.maxEntries)) {
        *error = QStringLiteral("the archive has more than %1 entries").arg(limits.maxEntries);
        return false;
    }
    QSet<QString> files, folders;
    qint64 total = 0;
    int result = unzGoToFirstFile(zip);
    ZPOS64_T seen = 0;
    for (; result == UNZ_OK; result = unzGoToNextFile(zip)) {
        if (++seen > ZPOS64_T(limits.maxEntries)) {
            *error = QStringLiteral("the archive has more than %1 entries").arg(limits.maxEntries);
            return false;
        }
        unz_file_info64 info{};
        QByteArray stored;
        if (!readHeader(zip, &info, &stored)) {
            *error = QStringLiteral("an entry's header cannot be read");
            return false;
        }
        ScannedEntry entry;
        const auto name = checkEntryName(stored, info.flag & Utf8NameFlag, error);
        if (!name)
            return false;
        entry.name = *name;
        if (info.flag & EncryptedFlag) {
            *error = QStringLiteral("%1 is encrypted").arg(name->path);
            return false;
        }
        if (!isSupportedMethod(int(info.compression_method))) {
            *error = QStringLiteral("%1 is packed with method %2").arg(name->path).arg(info.compression_method);
            return false;
        }
        const auto type = checkEntryType(quint16(info.version), quint32(info.external_fa), *name, error);
        if (!type)
            return false;
        entry.type = *type;
        if (info.uncompressed_size > ZPOS64_T(limits.maxUnpackedBytes)
            || (entry.name.folder && info.uncompressed_size != 0)) {
            *error = QStringLiteral("%1 declares an impossible size").arg(name->path);
            return false;
        }
        entry.size = qint64(info.uncompressed_size);
        total += entry.size;
        if (total > limits.maxUnpackedBytes) {
            *error = QStringLiteral("the archive unpacks to more than %1 bytes").arg(limits.maxUnpackedBytes);
            return false;
        }
        entry.time = info.tmu_date;
        // One thing per name, and no file where a folder must be.
        const QString &path = entry.name.path;
        if (files.contains(path) || (!entry.name.folder && folders.contains(path))) {
            *error = QStringLiteral("%1 appears twice").arg(path);
            return false;
        }
        QStringList parts = path.split(QLatin1Char('/'));
        if (!entry.name.folder)
            parts.removeLast();
        QString prefix;
        for (const QString &part : parts) {
            prefix = prefix.isEmpty() ? part : prefix + QLatin1Char('/') + part;
            if (files.contains(prefix)) {
                *error = QStringLiteral("%1 is both a file and a folder").arg(prefix);
                return false;
            }
            folders.insert(prefix);
        }
        if (!entry.name.folder)
            files.insert(path);
        entries->append(entry);
    }
    if (result != UNZ_END_OF_LIST_OF_FILE) {
        *error = QStringLiteral("the archive's directory is damaged");
        return false;
    }
    Q_UNUSED(archiveBytes);
    return true;
}

bool extractFile(unzFile zip, const QString &staging, const ScannedEntry &entry, std::vector<char> &buffer,
                 QString *error)
{
    const QByteArray path = QFile::encodeName(staging + QLatin1Char('/') + entry.name.path);
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        *error = QStringLiteral("cannot create %1: %2").arg(entry.name.path, systemError());
        return false;
    }
    if (unzOpenCurrentFile(zip) != UNZ_OK) {
        ::close(fd);
        *error = QStringLiteral("cannot open %1 in the archive").arg(entry.name.path);
        return false;
    }
    qint64 written = 0;
    bool ok = true;
    while (ok) {
        const int n = unzReadCurrentFile(zip, buffer.data(), unsigned(buffer.size()));
        if (n == 0)
            break;
        if (n < 0) {
            *error = QStringLiteral("%1 is damaged").arg(entry.name.path);
            ok = false;
            break;
        }
        if (written + n > entry.size) {
            *error = QStringLiteral("%1 is longer than it says").arg(entry.name.path);
            ok = false;
            break;
        }
        for (int done = 0; done < n;) {
            const ssize_t w = ::write(fd, buffer.data() + done, size_t(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0) {
                *error = QStringLiteral("cannot write %1: %2").arg(entry.name.path, systemError());
                ok = false;
                break;
            }
            done += int(w);
        }
        written += n;
    }
    // Closing is where the CRC is checked: a damaged entry fails here.
    const int closed = unzCloseCurrentFile(zip);
    if (ok && closed != UNZ_OK) {
        *error = closed == UNZ_CRCERROR ? QStringLiteral("%1 fails its CRC check").arg(entry.name.path)
                                        : QStringLiteral("%1 is damaged").arg(entry.name.path);
        ok = false;
    }
    if (ok && written != entry.size) {
        *error = QStringLiteral("%1 is shorter than it says").arg(entry.name.path);
        ok = false;
    }
    if (ok) {
        const timespec when = entryTime(entry.time);
        const timespec times[2] = {when, when};
        ::futimens(fd, times);
    }
    if (::close(fd) != 0 && ok) {
        *error = QStringLiteral("cannot write %1: %2").arg(entry.name.path, systemError());
        ok = false;
    }
    return ok;
}

} // namespace

qint64 freeSpaceIn(const QString &folder)
{
    struct statvfs info {};
    if (::statvfs(QFile::encodeName(folder).constData(), &info) != 0)
        return 0;
    return qint64(info.f_bavail) * qint64(info.f_frsize);
}

ExtractResult extractArchive(const QString &archive, const QString &staging, const ArchiveLimits &limits)
{
    ExtractResult result;
    const QFileInfo archiveInfo(archive);
    if (!archiveInfo.isFile()) {
        result.error = QStringLiteral("there is no archive");
        return result;
    }
    if (archiveInfo.size() > limits.maxArchiveBytes) {
        result.error = QStringLiteral("the archive is larger than %1 bytes").arg(limits.maxArchiveBytes);
        return result;
    }
    Archive zip(archive);
    if (!zip.get()) {
        result.error = QStringLiteral("the archive cannot be opened");
        return result;
    }
    QList<ScannedEntry> entries;
    if (!scan(zip.get(), archiveInfo.size(), limits, &entries, &result.error))
        return result;

    const QString parent = QFileInfo(staging).absolutePath();
    qint64 needed = 0;
    for (const ScannedEntry &entry : entries)
        needed += entry.size;
    const qint64 free = limits.freeSpace ? limits.freeSpace(parent) : freeSpaceIn(parent);
    if (needed > free) {
        result.error = QStringLiteral("%1 bytes are needed, %2 are free").arg(needed).arg(free);
        return result;
    }
    // A fresh folder: nothing planted in it beforehand can redirect a write.
    if (::mkdir(QFile::encodeName(staging).constData(), 0700) != 0) {
        result.error = QStringLiteral("cannot make the unpack folder: %1").arg(systemError());
        return result;
    }
    QSet<QString> made;
    std::vector<char> buffer(256 * 1024);
    int step = unzGoToFirstFile(zip.get());
    for (const ScannedEntry &entry : entries) {
        if (step != UNZ_OK) {
            result.error = QStringLiteral("the archive's directory is damaged");
            return result;
        }
        const QString folder = entry.name.folder ? entry.name.path : entry.name.path.section(QLatin1Char('/'), 0, -2);
        if (!folder.isEmpty() && !makeFolders(staging, folder, &made, &result.error))
            return result;
        if (!entry.name.folder && !extractFile(zip.get(), staging, entry, buffer, &result.error))
            return result;
        result.entries.append({entry.name.path, entry.name.folder, entry.type.permissions});
        step = unzGoToNextFile(zip.get());
    }
    result.ok = true;
    return result;
}

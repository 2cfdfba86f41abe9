#include "InstallTransaction.h"

#include "ZipEntryRules.h"

#include <QFile>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

QByteArray encoded(const QString &path)
{
    return QFile::encodeName(path);
}

struct Step
{
    QByteArray target;
    QByteArray backup; // empty: nothing was replaced
    bool linked = false; // the backup is a second name, not the moved file
    bool placed = false;
};

class Transaction
{
public:
    Transaction(const QString &source, const QString &target, const InstallHooks &hooks)
        : m_source(source)
        , m_target(target)
        , m_rename(hooks.rename ? hooks.rename : [](const char *from, const char *to) { return ::rename(from, to); })
        , m_backupSuffix(QStringLiteral(".patchling-old-%1").arg(::getpid()))
    {
    }

    bool makeFolder(const InstallItem &item, QString *error)
    {
        const QByteArray path = encoded(m_target + QLatin1Char('/') + item.path);
        struct stat info {};
        if (::lstat(path.constData(), &info) == 0) {
            if (S_ISDIR(info.st_mode))
                return true;
            *error = QStringLiteral("%1 is in the way of a folder").arg(item.path);
            return false;
        }
        if (::mkdir(path.constData(), 0755) != 0) {
            *error = QStringLiteral("cannot make %1: %2").arg(item.path, systemError());
            return false;
        }
        m_madeFolders.append(path);
        return true;
    }

    // Gives the new file its mode and checks that its place can take it.
    bool prepareFile(const InstallItem &item, QString *error)
    {
        const QByteArray from = encoded(m_source + QLatin1Char('/') + item.path);
        const QByteArray to = encoded(m_target + QLatin1Char('/') + item.path);
        std::optional<mode_t> replaced;
        struct stat info {};
        if (::lstat(to.constData(), &info) == 0) {
            if (!S_ISREG(info.st_mode) && !S_ISLNK(info.st_mode)) {
                *error = QStringLiteral("%1 is in the way of a file").arg(item.path);
                return false;
            }
            if (S_ISREG(info.st_mode))
                replaced = info.st_mode;
        }
        if (::chmod(from.constData(), installedFileMode(item.permissions, replaced)) != 0) {
            *error = QStringLiteral("cannot set the mode of %1: %2").arg(item.path, systemError());
            return false;
        }
        return true;
    }

    bool placeFile(const InstallItem &item, QString *error, InstallResult *result)
    {
        Step step;
        step.target = encoded(m_target + QLatin1Char('/') + item.path);
        const QByteArray from = encoded(m_source + QLatin1Char('/') + item.path);
        struct stat info {};
        if (::lstat(step.target.constData(), &info) == 0) {
            step.backup = step.target + encoded(m_backupSuffix);
            ::unlink(step.backup.constData());
            // A second name keeps the old file while the new one takes its
            // place in one rename; where links are not possible, the old
            // file moves aside instead.
            step.linked = ::link(step.target.constData(), step.backup.constData()) == 0;
            if (!step.linked && m_rename(step.target.constData(), step.backup.constData()) != 0) {
                *error = QStringLiteral("cannot keep the old %1: %2").arg(item.path, systemError());
                return false;
            }
        }
        m_steps.append(step);
        if (m_rename(from.constData(), step.target.constData()) != 0) {
            *error = QStringLiteral("cannot put %1 in place: %2").arg(item.path, systemError());
            return false;
        }
        m_steps.last().placed = true;
        ++(step.backup.isEmpty() ? result->filesAdded : result->filesReplaced);
        return true;
    }

    // Puts everything back as it was; the reason stays the first failure.
    void rollBack()
    {
        for (int i = m_steps.size() - 1; i >= 0; --i) {
            const Step &step = m_steps[i];
            if (step.backup.isEmpty()) {
                if (step.placed)
                    ::unlink(step.target.constData());
            } else if (!step.placed && step.linked) {
                // The old file never left its place.
                ::unlink(step.backup.constData());
            } else if (::rename(step.backup.constData(), step.target.constData()) != 0) {
                std::fprintf(stderr, "cannot restore %s: %s\n", step.target.constData(), std::strerror(errno));
            }
        }
        for (int i = m_madeFolders.size() - 1; i >= 0; --i)
            ::rmdir(m_madeFolders[i].constData());
    }

    void dropBackups()
    {
        for (const Step &step : m_steps)
            if (!step.backup.isEmpty() && ::unlink(step.backup.constData()) != 0)
                std::fprintf(stderr, "cannot remove %s: %s\n", step.backup.constData(), std::strerror(errno));
    }

private:
    QString m_source;
    QString m_target;
    std::function<int(const char *, const char *)> m_rename;
    QString m_backupSuffix;
    QList<Step> m_steps;
    QList<QByteArray> m_madeFolders;
};

} // namespace

InstallResult installFiles(const QString &source, const QString &target, const QList<InstallItem> &items,
                           const InstallHooks &hooks)
{
    InstallResult result;
    Transaction transaction(source, target, hooks);
    auto fail = [&] {
        transaction.rollBack();
        return result;
    };
    // Folders first, parents before children (the archive lists them in any order).
    QList<InstallItem> folders, files;
    for (const InstallItem &item : items) {
        if (item.folder)
            folders.append(item);
        else
            files.append(item);
        // A file's folders count as folders of the archive too.
        const QStringList parts = item.path.split(QLatin1Char('/'));
        for (int depth = 1; depth < parts.size(); ++depth)
            folders.append({parts.mid(0, depth).join(QLatin1Char('/')), true, std::nullopt});
    }
    std::sort(folders.begin(), folders.end(), [](const InstallItem &a, const InstallItem &b) {
        return a.path.count(QLatin1Char('/')) < b.path.count(QLatin1Char('/'));
    });
    for (const InstallItem &folder : folders)
        if (!transaction.makeFolder(folder, &result.error))
            return fail();
    for (const InstallItem &file : files)
        if (!transaction.prepareFile(file, &result.error))
            return fail();
    for (const InstallItem &file : files)
        if (!transaction.placeFile(file, &result.error, &result))
            return fail();
    // Everything is in place: make it last before the old files go.
    const int fd = ::open(encoded(target).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::syncfs(fd);
        ::close(fd);
    }
    transaction.dropBackups();
    result.ok = true;
    return result;
}

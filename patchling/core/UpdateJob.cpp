#include "UpdateJob.h"

#include "InstallTransaction.h"
#include "Sha256.h"
#include "UpdateLocks.h"
#include "update/ProgramVersion.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

UpdateStep failed(const QString &error)
{
    return UpdateStep{false, error};
}

bool removeFile(const QString &path, QString *error)
{
    if (::unlink(QFile::encodeName(path).constData()) == 0 || errno == ENOENT)
        return true;
    *error = QStringLiteral("cannot remove %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
    return false;
}

// Links inside are removed, never followed.
bool removeFolder(const QString &path)
{
    QDir folder(path);
    return !QFileInfo::exists(path) || folder.removeRecursively();
}

} // namespace

UpdatePaths::UpdatePaths(QString folder)
    : programFolder(std::move(folder))
{
}

QString UpdatePaths::archive() const { return programFolder + QLatin1Char('/') + UpdateFiles::archiveName; }
QString UpdatePaths::partialArchive() const { return archive() + QStringLiteral(".part"); }
QString UpdatePaths::staging() const { return programFolder + QLatin1Char('/') + UpdateFiles::stagingName; }
QString UpdatePaths::publicKey() const { return programFolder + QLatin1Char('/') + UpdateFiles::publicKeyName; }
QString UpdatePaths::runningLock() const { return programFolder + QLatin1Char('/') + UpdateFiles::runningLockName; }
QString UpdatePaths::updaterLock() const { return programFolder + QLatin1Char('/') + UpdateFiles::updaterLockName; }
QString UpdatePaths::program() const { return programFolder + QLatin1Char('/') + UpdateFiles::programName; }

bool isReservedName(const QString &name)
{
    return name == UpdateFiles::archiveName || name == UpdateFiles::archiveName + QStringLiteral(".part")
           || name == UpdateFiles::stagingName || name == UpdateFiles::runningLockName
           || name == UpdateFiles::updaterLockName;
}

UpdateStep fetchUpdate(const QString &url, const UpdatePaths &paths, const FetchOptions &options)
{
    QString error;
    // Whatever an earlier run left is never installed.
    if (!removeFile(paths.archive(), &error) || !removeFile(paths.partialArchive(), &error))
        return failed(error);
    if (!isFetchableUrl(url))
        return failed(QStringLiteral("not an http or https address: %1").arg(url));

    QFile keyFile(paths.publicKey());
    if (!keyFile.open(QIODevice::ReadOnly))
        return failed(QStringLiteral("no public key at %1").arg(paths.publicKey()));
    const std::optional<QByteArray> key = parsePublicKeyFile(keyFile.read(1024));
    if (!key)
        return failed(QStringLiteral("the public key at %1 is unreadable").arg(paths.publicKey()));

    QByteArray manifestText;
    const FetchResult manifestFetch =
        fetchToMemory(url + QStringLiteral(".sig"), &manifestText, MaxManifestBytes, options.limits);
    if (!manifestFetch.ok)
        return failed(QStringLiteral("no manifest: %1").arg(manifestFetch.error));
    const std::optional<Manifest> manifest = readSignedManifest(manifestText, *key, &error);
    if (!manifest)
        return failed(error);
    if (!ProgramVersion::isNewer(manifest->version, options.installedVersion))
        return failed(QStringLiteral("version %1 is not newer than the installed %2")
                          .arg(manifest->version, options.installedVersion));

    const FetchResult archiveFetch =
        fetchToFile(url, paths.partialArchive(), manifest->size, options.limits, options.progress);
    if (!archiveFetch.ok) {
        removeFile(paths.partialArchive(), &error);
        return failed(archiveFetch.error);
    }
    if (archiveFetch.bytes != manifest->size) {
        removeFile(paths.partialArchive(), &error);
        return failed(QStringLiteral("the archive has %1 bytes, the manifest says %2")
                          .arg(archiveFetch.bytes)
                          .arg(manifest->size));
    }
    const QByteArray digest = sha256File(paths.partialArchive(), &error);
    if (digest != manifest->sha256) {
        removeFile(paths.partialArchive(), &error);
        return failed(QStringLiteral("the archive's SHA-256 does not match its manifest"));
    }
    if (::rename(QFile::encodeName(paths.partialArchive()).constData(), QFile::encodeName(paths.archive()).constData())
        != 0)
        return failed(QStringLiteral("cannot keep the archive: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
    return UpdateStep{true, {}};
}

UpdateStep installUpdate(const UpdatePaths &paths, const InstallOptions &options)
{
    QString error;
    FolderLock programs;
    if (!programs.waitExclusive(paths.runningLock(), options.programExitWaitMs, options.lockStepMs, &error))
        return failed(QStringLiteral("the program is still running: %1").arg(error));

    auto finish = [&](UpdateStep step) {
        removeFolder(paths.staging());
        QString ignored;
        removeFile(paths.archive(), &ignored);
        return step;
    };
    if (!removeFolder(paths.staging()))
        return finish(failed(QStringLiteral("cannot remove the old unpack folder %1").arg(paths.staging())));
    const ExtractResult extracted = extractArchive(paths.archive(), paths.staging(), options.limits);
    if (!extracted.ok)
        return finish(failed(extracted.error));

    // The program folder inside the archive: its top folders in name order,
    // the last whose name holds "cuewright".
    QString top;
    const QStringList folders = QDir(paths.staging()).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                                                                 QDir::Name);
    for (const QString &folder : folders)
        if (folder.toLower().contains(QLatin1String("cuewright")))
            top = folder;
    const QString prefix = top.isEmpty() ? QString() : top + QLatin1Char('/');
    QList<InstallItem> items;
    for (const ExtractedEntry &entry : extracted.entries) {
        if (!entry.path.startsWith(prefix) || entry.path == top)
            continue;
        const QString path = entry.path.mid(prefix.size());
        if (isReservedName(path.section(QLatin1Char('/'), 0, 0)))
            return finish(failed(QStringLiteral("the archive would replace the updater's own %1").arg(path)));
        items.append({path, entry.folder, entry.permissions});
    }
    if (items.isEmpty())
        return finish(failed(QStringLiteral("the archive holds no files")));
    const QString source = top.isEmpty() ? paths.staging() : paths.staging() + QLatin1Char('/') + top;
    const InstallResult installed = installFiles(source, paths.programFolder, items);
    if (!installed.ok)
        return finish(failed(installed.error));
    return finish(UpdateStep{true, {}});
}

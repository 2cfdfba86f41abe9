#include "UpdateFixture.h"

#include "Sha256.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <sys/stat.h>

namespace cw::testing {

const SigningKeys &testKeys()
{
    static const SigningKeys keys = generateSigningKeys();
    return keys;
}

std::map<std::string, std::string> snapshotTree(const QString &root)
{
    std::map<std::string, std::string> entries;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const std::string relative = QDir(root).relativeFilePath(path).toStdString();
        struct stat info {};
        ::lstat(QFile::encodeName(path).constData(), &info);
        const QString mode = QString::number(info.st_mode, 8);
        if (S_ISLNK(info.st_mode)) {
            entries[relative] = "link " + QFile::symLinkTarget(path).toStdString();
        } else if (S_ISDIR(info.st_mode)) {
            entries[relative] = "folder " + mode.toStdString();
        } else {
            QFile file(path);
            file.open(QIODevice::ReadOnly);
            entries[relative] = "file " + mode.toStdString() + " "
                                + QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex().toStdString();
        }
    }
    return entries;
}

Installation::Installation()
{
    const QString a = folder();
    QDir().mkpath(a + QStringLiteral("/lib"));
    QDir().mkpath(parent() + QStringLiteral("/neighbour"));
    writeFile(a + QStringLiteral("/cuewright"),
              QStringLiteral("#!/bin/sh\necho \"$(cat \"$(dirname \"$0\")/readme.txt\")\" >> '%1/started.log'\n")
                  .arg(parent())
                  .toUtf8(),
              0755);
    writeFile(a + QStringLiteral("/readme.txt"), "old readme");
    writeFile(a + QStringLiteral("/lib/libvoxlink.so"), "\x7f" "ELF old library");
    writeFile(a + QStringLiteral("/update-key.pub"), publicKeyFileText(testKeys().publicKey));
    writeFile(a + QStringLiteral("/.running.lock"), {});
    writeFile(a + QStringLiteral("/.update.lock"), {});
    writeFile(parent() + QStringLiteral("/neighbour/keep.txt"), "neighbour");
}

QStringList Installation::starts() const
{
    const QByteArray log = readFile(parent() + QStringLiteral("/started.log"));
    return QString::fromUtf8(log).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void Installation::addUpdater(const QString &binary)
{
    const QString copy = folder() + QStringLiteral("/patchling");
    QFile::remove(copy);
    QFile::copy(binary, copy);
    ::chmod(QFile::encodeName(copy).constData(), 0755);
}

void Installation::writeFile(const QString &path, const QByteArray &bytes, int mode)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    file.close();
    ::chmod(QFile::encodeName(path).constData(), mode_t(mode));
}

QByteArray Installation::readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString publishArchive(const QString &webRoot, const QString &archive, const QString &name, const QString &version,
                       const QByteArray &secretKey)
{
    const QString folder = webRoot + QStringLiteral("/cuewright/update");
    QDir().mkpath(folder);
    const QString target = folder + QLatin1Char('/') + name;
    QFile::remove(target);
    QFile::copy(archive, target);
    Manifest manifest;
    manifest.version = version;
    manifest.size = QFileInfo(target).size();
    QString error;
    manifest.sha256 = sha256File(target, &error);
    Installation::writeFile(target + QStringLiteral(".sig"), signManifest(manifest, secretKey));
    return QStringLiteral("/cuewright/update/") + name;
}

QString writeSecretKeyFile(const QString &folder)
{
    QDir().mkpath(folder);
    const QString path = folder + QStringLiteral("/update-key.secret");
    Installation::writeFile(path, secretKeyFileText(testKeys().secretKey), 0600);
    return path;
}

QString publishWithScript(const LocalWebHost &web, const QString &secretKeyFile, const QString &version,
                          const QString &programFolder, QString *error)
{
    QProcess script;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("CUEWRIGHT_BUILD_DIR"), QStringLiteral(CW_BUILD_DIR));
    environment.insert(QStringLiteral("CUEWRIGHT_SIGNING_KEY"), secretKeyFile);
    environment.insert(QStringLiteral("CUEWRIGHT_WEB_ROOT"), web.root());
    environment.insert(QStringLiteral("CUEWRIGHT_WEB_HOST"), web.url(QString()));
    script.setProcessEnvironment(environment);
    script.start(QStringLiteral("bash"), {QStringLiteral(CW_PUBLISH_SCRIPT), version, programFolder});
    if (!script.waitForFinished(120000) || script.exitCode() != 0) {
        *error = QString::fromUtf8(script.readAllStandardError());
        return {};
    }
    const QByteArray versionFile =
        Installation::readFile(web.root() + QStringLiteral("/cuewright/update/version3.0.ini"));
    const int at = versionFile.indexOf("url=");
    if (!versionFile.startsWith("version=" + version.toUtf8() + "\n") || at < 0) {
        *error = QStringLiteral("unexpected version file: ") + QString::fromUtf8(versionFile);
        return {};
    }
    return QString::fromUtf8(versionFile.mid(at + 4, versionFile.indexOf('\n', at) - at - 4));
}

LocalWebHost::LocalWebHost()
    : m_service(QStringLiteral(CW_SERVICE_BINARY), m_data.path())
{
}

bool LocalWebHost::start()
{
    return m_service.start({QStringLiteral("--web-port"), QStringLiteral("0"), QStringLiteral("--web-root"),
                            m_root.path(), QStringLiteral("--workers"), QStringLiteral("1")});
}

} // namespace cw::testing

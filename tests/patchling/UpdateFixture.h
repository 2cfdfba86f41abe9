#pragma once
// What the updater tests share: a signing key, an installation folder with
// a neighbour to watch, snapshots to compare, and publishing into a web root.

#include "Manifest.h"
#include "ServiceProcess.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QTemporaryDir>

#include <map>
#include <string>

namespace cw::testing {

// One key pair for the whole run.
const SigningKeys &testKeys();

// Every entry below `root`: files by mode and content digest, folders by
// mode, links by target.
// (std types, so a failing comparison prints readably)
std::map<std::string, std::string> snapshotTree(const QString &root);

// P/A, the installation, holding an old program: "cuewright" (a script that
// records each start in P/started.log), "readme.txt", "lib/libvoxlink.so",
// the public key and the lock files a program run leaves; and P/neighbour,
// a folder no update may touch.
class Installation
{
public:
    Installation();
    QString parent() const { return m_parent.path(); }
    QString folder() const { return m_parent.path() + QStringLiteral("/A"); }
    QString outside() const { return m_parent.path() + QStringLiteral("/outside"); }
    QStringList starts() const; // lines of started.log
    void addUpdater(const QString &binary); // a copy of patchling in A
    static void writeFile(const QString &path, const QByteArray &bytes, int mode = 0644);
    static QByteArray readFile(const QString &path);

private:
    QTemporaryDir m_parent;
};

// Copies `archive` to <webRoot>/cuewright/update/<name> with a manifest
// for `version` signed by `secretKey` beside it; returns the path below the
// web host.
QString publishArchive(const QString &webRoot, const QString &archive, const QString &name, const QString &version,
                       const QByteArray &secretKey = testKeys().secretKey);

// The stand-in service with its web host on 127.0.0.1, serving a private root.
class LocalWebHost
{
public:
    LocalWebHost();
    bool start();
    QString root() const { return m_root.path(); }
    QString url(const QString &path) const { return m_service.webAddress() + path; }
    QString log() const { return m_service.readLog(); }

private:
    QTemporaryDir m_data;
    QTemporaryDir m_root;
    ServiceProcess m_service;
};

// Writes the test key's secret half where the publisher's script reads it.
QString writeSecretKeyFile(const QString &folder);
// Publishes `programFolder` as `version` with scripts/publish-update; the
// archive's address as the version file gives it ("" on failure).
QString publishWithScript(const LocalWebHost &web, const QString &secretKeyFile, const QString &version,
                          const QString &programFolder, QString *error);

} // namespace cw::testing

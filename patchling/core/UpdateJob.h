#pragma once

#include "Download.h"
#include "Manifest.h"
#include "ZipExtractor.h"

#include <QString>

// The files an update uses in the program folder A: the archive A/update.zip
// (downloaded as A/update.zip.part until every check passed), the unpack
// folder A/update, and the public key beside the programs.
struct UpdatePaths
{
    explicit UpdatePaths(QString programFolder);

    QString programFolder;
    QString archive() const;
    QString partialArchive() const;
    QString staging() const;
    QString publicKey() const;
    QString runningLock() const;
    QString updaterLock() const;
    QString program() const;
};

struct UpdateStep
{
    bool ok = false;
    QString error;
};

struct FetchOptions
{
    DownloadLimits limits;
    QString installedVersion;
    FetchProgress progress;
};

// Downloads and vouches for the archive at `url`: leftovers of an earlier
// run go first; the signed manifest at `url` + ".sig" is checked against the
// public key and must name a newer version; the archive is fetched to the
// ".part" file, no larger than the manifest says, and becomes update.zip
// only when its size and SHA-256 match.
UpdateStep fetchUpdate(const QString &url, const UpdatePaths &paths, const FetchOptions &options);

struct InstallOptions
{
    ArchiveLimits limits;
    int programExitWaitMs = 30000;
    int lockStepMs = 100;
};

// Unpacks update.zip into a fresh A/update and installs its program folder
// (the last top folder whose name holds "cuewright", else all of it) over A
// as one transaction, once no program of A runs. Removes the unpack folder
// and the archive afterwards, whatever the outcome.
UpdateStep installUpdate(const UpdatePaths &paths, const InstallOptions &options);

// Names in the program folder the updater keeps for itself; an archive that
// would install over them is refused.
bool isReservedName(const QString &topLevelName);

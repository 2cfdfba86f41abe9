#pragma once

#include <QString>

// The installed version and the files of an update, shared by the program
// and the updater so both read the same facts. Builds of a newer version to
// publish set CUEWRIGHT_PROGRAM_VERSION; everything else has this one.
#ifndef CUEWRIGHT_PROGRAM_VERSION
#define CUEWRIGHT_PROGRAM_VERSION "312"
#endif

namespace ProgramVersion {

inline const QString own()
{
    return QStringLiteral(CUEWRIGHT_PROGRAM_VERSION);
}

// Versions compare as text, code unit by code unit: "313" and "4" are newer
// than "312", "1000" and "" are not.
inline bool isNewer(const QString &announced, const QString &installed = own())
{
    return QString::compare(installed, announced, Qt::CaseSensitive) < 0;
}

} // namespace ProgramVersion

// Files in the program folder. Program names carry the folder: a bare name
// would be looked up in PATH.
namespace UpdateFiles {

inline const QString programName = QStringLiteral("cuewright");
inline const QString updaterName = QStringLiteral("patchling");
// The key manifests are checked against; its secret half never ships.
inline const QString publicKeyName = QStringLiteral("update-key.pub");
// Held shared by every running program, exclusively by the updater before
// it swaps files.
inline const QString runningLockName = QStringLiteral(".running.lock");
// Held by the one updater at work.
inline const QString updaterLockName = QStringLiteral(".update.lock");
inline const QString archiveName = QStringLiteral("update.zip");
inline const QString stagingName = QStringLiteral("update");

} // namespace UpdateFiles

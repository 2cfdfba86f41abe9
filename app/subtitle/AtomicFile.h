#pragma once

#include <QByteArray>
#include <QString>

// Replaces the file at `path` with `bytes` in one step, so a crash or a full
// disk never leaves a half-written file: the bytes go to an unnamed file in
// the same folder, which is synced, linked under a temporary name and renamed
// over the target. Only a kill in the instant between the link and the rename
// leaves that temporary (a complete copy); the next write of the same target
// removes it, as it removes any temporary of that target whose writer is gone.
// An existing file keeps its permissions; a symbolic link keeps pointing at
// the file it names, which is replaced. False when the file could not be
// written; the old file then stays, and `errorText` (if given) says why.
bool writeFileAtomically(const QString &path, const QByteArray &bytes);
bool writeFileAtomically(const QString &path, const QByteArray &bytes, QString *errorText);

// The temporary a write of `fileName` by process `pid` links its finished
// file under: ".<fileName>.<pid>.<serial>.cwtmp".
QString atomicWriteTemporaryName(const QString &fileName, qint64 pid, quint64 serial);
// The pid of the writer whose temporary of `fileName` is called `entryName`;
// 0 when it is not such a temporary.
qint64 atomicWriteTemporaryOwner(const QString &entryName, const QString &fileName);

// Reads the whole file; false when it cannot be opened or read.
bool readWholeFile(const QString &path, QByteArray *bytes);

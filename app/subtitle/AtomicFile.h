#pragma once

#include <QByteArray>
#include <QString>

// Replaces the file at `path` with `bytes` in one step (temporary file and
// rename), so a crash or a full disk never leaves a half-written file.
// False when the file could not be written; the old file then stays.
bool writeFileAtomically(const QString &path, const QByteArray &bytes);

// Reads the whole file; false when it cannot be opened or read.
bool readWholeFile(const QString &path, QByteArray *bytes);

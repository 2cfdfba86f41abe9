#pragma once

#include "ZipEntryRules.h"

#include <QList>
#include <QString>

#include <functional>

struct ArchiveLimits
{
    qint64 maxArchiveBytes = qint64(4) << 30;
    qint64 maxUnpackedBytes = qint64(4) << 30;
    int maxEntries = 100000;
    // Bytes free where the staging folder is made; the real figure unless a
    // test says otherwise.
    std::function<qint64(const QString &folder)> freeSpace;
};

struct ExtractedEntry
{
    QString path;
    bool folder = false;
    std::optional<mode_t> permissions;
};

struct ExtractResult
{
    bool ok = false;
    QString error;
    QList<ExtractedEntry> entries; // in archive order
};

// Unpacks `archive` into `staging`, which must not exist yet (it is made,
// owner-only). Every entry is checked before anything is written: names,
// kinds, encryption, methods, counts and sizes against `limits` and the
// free space. Then each entry is written without following links, read to
// its end, and must close without a CRC error at exactly its declared size.
// On failure the staging folder may hold part of the archive; the caller
// removes it.
ExtractResult extractArchive(const QString &archive, const QString &staging, const ArchiveLimits &limits);

// Bytes free for an unprivileged user in the file system holding `folder`.
qint64 freeSpaceIn(const QString &folder);

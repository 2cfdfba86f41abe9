#pragma once

#include <QList>
#include <QString>

#include <functional>
#include <optional>
#include <sys/types.h>

struct InstallItem
{
    QString path; // relative, "/"-separated
    bool folder = false;
    std::optional<mode_t> permissions; // from the archive
};

struct InstallResult
{
    bool ok = false;
    QString error;
    int filesReplaced = 0;
    int filesAdded = 0;
};

struct InstallHooks
{
    // rename(2) unless a test wants one to fail.
    std::function<int(const char *from, const char *to)> rename;
};

// Moves the unpacked files under `source` into `target` as one transaction:
// every file is given its mode first; then, one by one, the file it
// replaces is kept as a backup beside it (a second name for the same file)
// and the new one is renamed into place, so no existing file is ever
// written into and a running program keeps its old one. On any failure every
// backup is put back and every added file and folder removed; on success the
// backups go. `source` and `target` must be on the same file system.
InstallResult installFiles(const QString &source, const QString &target, const QList<InstallItem> &items,
                           const InstallHooks &hooks = {});

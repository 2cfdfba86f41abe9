#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// How long and how far a fetch may go. The defaults are the updater's.
struct DownloadLimits
{
    long connectSeconds = 30;
    // Below this many bytes per second for lowSpeedSeconds: given up.
    long lowSpeedBytes = 1;
    long lowSpeedSeconds = 60;
    long maxRedirects = 5;
};

struct FetchResult
{
    bool ok = false;
    QString error;
    long status = 0;
    qint64 bytes = 0;
};

// Called with (bytes so far, bytes expected) as data arrives.
using FetchProgress = std::function<void(qint64 received, qint64 total)>;

// http and https only, redirects included.
bool isFetchableUrl(const QString &url);

// Fetches `url` into a new file at `path` (which must not exist). Only a
// 200 answer is kept, and no more than `maxBytes`; the file then holds
// exactly what arrived. On failure the file may hold part of it.
FetchResult fetchToFile(const QString &url, const QString &path, qint64 maxBytes, const DownloadLimits &limits,
                        const FetchProgress &progress = {});
// The same into memory, for small files.
FetchResult fetchToMemory(const QString &url, QByteArray *out, qint64 maxBytes, const DownloadLimits &limits);

#include "DownloadThread.h"

#include "update/ProgramVersion.h"

#include <cstdio>

DownloadThread::DownloadThread(QString url, UpdatePaths paths, QObject *parent)
    : QThread(parent)
    , m_url(std::move(url))
    , m_paths(std::move(paths))
{
}

void DownloadThread::run()
{
    FetchOptions options;
    options.installedVersion = ProgramVersion::own();
    options.progress = [this](qint64 received, qint64 total) {
        if (m_throttle.pass(received, total))
            emit signal_noticeDownloadProgress(double(received), double(total));
    };
    m_result = fetchUpdate(m_url, m_paths, options);
    std::fprintf(stderr, "download: %s\n", m_result.ok ? "done" : qPrintable(m_result.error));
}

InstallThread::InstallThread(UpdatePaths paths, QObject *parent)
    : QThread(parent)
    , m_paths(std::move(paths))
{
}

void InstallThread::run()
{
    m_result = installUpdate(m_paths, InstallOptions());
    std::fprintf(stderr, "install: %s\n", m_result.ok ? "done" : qPrintable(m_result.error));
}

#pragma once

#include "ProgressThrottle.h"
#include "UpdateJob.h"

#include <QThread>

// Fetches and vouches for the update archive off the window's thread.
class DownloadThread : public QThread
{
    Q_OBJECT
public:
    DownloadThread(QString url, UpdatePaths paths, QObject *parent = nullptr);

    UpdateStep result() const { return m_result; }

signals:
    // (bytes received so far, bytes expected); at most once per percent.
    void signal_noticeDownloadProgress(double received, double total);

protected:
    void run() override;

private:
    QString m_url;
    UpdatePaths m_paths;
    UpdateStep m_result;
    ProgressThrottle m_throttle;
};

// Unpacks and installs the vouched-for archive off the window's thread, so
// the window keeps turning meanwhile.
class InstallThread : public QThread
{
    Q_OBJECT
public:
    explicit InstallThread(UpdatePaths paths, QObject *parent = nullptr);

    UpdateStep result() const { return m_result; }

protected:
    void run() override;

private:
    UpdatePaths m_paths;
    UpdateStep m_result;
};

#pragma once

#include "UpdateJob.h"

#include <QWidget>

class CustomProgressIndicator;
class DownloadThread;
class InstallThread;
class QLabel;
class QProgressBar;

// The updater's window: a small black panel with the turning indicator, the
// download's progress and one line of state. It asks nothing and cannot be
// cancelled; it closes by itself once the program is back.
class patchling : public QWidget
{
    Q_OBJECT
public:
    static constexpr int RestartDelayMs = 2000;

    patchling(const QString &url, const QString &programFolder, QWidget *parent = nullptr);
    ~patchling() override;

    QLabel *label() const { return m_label; }
    QProgressBar *progressBar() const { return m_progressBar; }

public slots:
    void slot_noticeDownloadProgress(double received, double total);
    void slot_threadfinished();
    void slot_restartApplication();

private slots:
    void slot_installFinished();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void fail(const QString &why);

    UpdatePaths m_paths;
    CustomProgressIndicator *m_indicator;
    QProgressBar *m_progressBar;
    QLabel *m_label;
    DownloadThread *m_download;
    InstallThread *m_install = nullptr;
    // The installation is whole again (updated or untouched): start it.
    bool m_restartProgram = true;
};

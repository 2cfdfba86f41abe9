#include "patchling.h"

#include "DownloadThread.h"
#include "base/CustomProgressIndicator.h"

#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QProcess>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdio>

patchling::patchling(const QString &url, const QString &programFolder, QWidget *parent)
    : QWidget(parent, Qt::FramelessWindowHint)
    , m_paths(programFolder)
{
    setObjectName(QStringLiteral("patchlingClass"));
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(295, 172);
    setWindowTitle(QStringLiteral("patchling"));

    m_indicator = new CustomProgressIndicator(this);
    m_indicator->setObjectName(QStringLiteral("animatewidget"));
    m_indicator->setFixedSize(60, 60);
    m_indicator->setStyleSheet(QStringLiteral("background-color: rgba(0, 0, 0,0);"));

    m_progressBar = new QProgressBar(this);
    m_progressBar->setObjectName(QStringLiteral("progressBar"));
    m_progressBar->setValue(0);
    m_progressBar->setAccessibleName(QStringLiteral("下载进度"));
    m_progressBar->setStyleSheet(QStringLiteral(
        "QProgressBar\n{\n  border:1px solid #FFFFFF;\n  height:20;\n  background:rgba(0,0,0,100);\n"
        "  text-align:center;\n  color:rgb(255,255,255);\n  border-radius:5px;\n  font: 12pt \"微软雅黑\";\n}\n\n"
        "QProgressBar::chunk\n{\n  background-color:rgb(71,179,249);\n}"));

    m_label = new QLabel(QStringLiteral("正在更新，请稍后..."), this);
    m_label->setObjectName(QStringLiteral("label"));
    m_label->setAlignment(Qt::AlignCenter);
    m_label->setStyleSheet(QStringLiteral("color: rgb(71, 179, 249);\nfont: 75 20px \"微软雅黑\";"));

    auto *indicatorRow = new QHBoxLayout;
    indicatorRow->setObjectName(QStringLiteral("horizontalLayout"));
    indicatorRow->addStretch();
    indicatorRow->addWidget(m_indicator);
    indicatorRow->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->setObjectName(QStringLiteral("verticalLayout"));
    layout->setContentsMargins(20, 12, 20, 12);
    layout->addLayout(indicatorRow);
    layout->addWidget(m_progressBar);
    layout->addWidget(m_label);

    m_download = new DownloadThread(url, m_paths, this);
    connect(m_download, &DownloadThread::signal_noticeDownloadProgress, this,
            &patchling::slot_noticeDownloadProgress);
    connect(m_download, &QThread::finished, this, &patchling::slot_threadfinished);
    m_download->start();
    m_indicator->startAnimation();
}

patchling::~patchling()
{
    // Never destroyed while working: the window closes only after both threads.
    m_download->wait();
    if (m_install)
        m_install->wait();
}

void patchling::slot_noticeDownloadProgress(double received, double total)
{
    if (qint64(total) > 0)
        m_progressBar->setValue(int(received / total * 100));
}

void patchling::slot_threadfinished()
{
    const UpdateStep fetched = m_download->result();
    if (!fetched.ok) {
        fail(fetched.error);
        return;
    }
    m_progressBar->setValue(100);
    m_install = new InstallThread(m_paths, this);
    connect(m_install, &QThread::finished, this, &patchling::slot_installFinished);
    m_install->start();
}

void patchling::slot_installFinished()
{
    const UpdateStep installed = m_install->result();
    if (!installed.ok) {
        // A program still running needs no second copy.
        m_restartProgram = !installed.error.startsWith(QStringLiteral("the program is still running"));
        fail(installed.error);
        return;
    }
    m_label->setText(QStringLiteral("更新完成,即将重启..."));
    QTimer::singleShot(RestartDelayMs, this, &patchling::slot_restartApplication);
}

void patchling::fail(const QString &why)
{
    std::fprintf(stderr, "update failed: %s\n", qPrintable(why));
    m_label->setText(QStringLiteral("更新失败..."));
    // The transaction kept the old installation whole: the user gets it back.
    QTimer::singleShot(RestartDelayMs, this, &patchling::slot_restartApplication);
}

void patchling::slot_restartApplication()
{
    m_indicator->stopAnimation();
    if (m_restartProgram) {
        qint64 pid = 0;
        if (QProcess::startDetached(m_paths.program(), {}, m_paths.programFolder, &pid))
            std::fprintf(stderr, "started %s (%lld)\n", qPrintable(m_paths.program()), pid);
        else
            std::fprintf(stderr, "cannot start %s\n", qPrintable(m_paths.program()));
    }
    close();
}

void patchling::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath panel;
    panel.addRoundedRect(rect(), 5, 5);
    painter.fillPath(panel, Qt::black);
}

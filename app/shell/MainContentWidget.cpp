#include "shell/MainContentWidget.h"

#include "base/CurrentProject.h"
#include "base/SignalProxy.h"
#include "views/SrtListWidget.h"
#include "views/VideoSelectWidget.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QStackedWidget>
#include <QVBoxLayout>

MainContentWidget::MainContentWidget(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("MainContentWidget"));
    setAttribute(Qt::WA_StyledBackground);

    auto *videoPanel = new QWidget(this);
    videoPanel->setObjectName(QStringLiteral("videoPanel"));
    videoPanel->setAttribute(Qt::WA_StyledBackground);
    m_videoStack = new QStackedWidget(videoPanel);
    m_videoStack->addWidget(new VideoSelectWidget(m_videoStack));
    m_mediaName = new QLabel(m_videoStack);
    m_mediaName->setObjectName(QStringLiteral("dropText"));
    m_mediaName->setAlignment(Qt::AlignCenter);
    m_videoStack->addWidget(m_mediaName);
    auto *videoLayout = new QVBoxLayout(videoPanel);
    videoLayout->setContentsMargins(0, 0, 0, 0);
    videoLayout->addWidget(m_videoStack);

    auto *srtPanel = new QWidget(this);
    srtPanel->setObjectName(QStringLiteral("srtPanel"));
    srtPanel->setAttribute(Qt::WA_StyledBackground);
    srtPanel->setMinimumWidth(422);
    m_srtList = new SrtListWidget(srtPanel);
    // Work without an SRT file of its own (a job's result, a transcript, a
    // restored copy) is kept where a crash cannot take it.
    m_srtList->setAutoSaveRecoveryPath(currentProject().recoveryCopyPath);
    auto *srtLayout = new QVBoxLayout(srtPanel);
    srtLayout->setContentsMargins(0, 0, 0, 0);
    srtLayout->addWidget(m_srtList);

    auto *row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    row->addWidget(videoPanel, 3);
    row->addWidget(srtPanel, 2);

    auto *wavePanel = new QWidget(this);
    wavePanel->setObjectName(QStringLiteral("wavePanel"));
    wavePanel->setAttribute(Qt::WA_StyledBackground);
    wavePanel->setFixedHeight(182);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(row, 1);
    layout->addWidget(wavePanel);

    SignalProxy *proxy = SignalProxy::instance();
    connect(proxy, &SignalProxy::signal_SelectMediafile, this, &MainContentWidget::slot_SelectMediafile);
    connect(proxy, &SignalProxy::signal_loadProject, this, &MainContentWidget::slot_loadProject);
    connect(proxy, &SignalProxy::siganal_ClearDate, this, &MainContentWidget::slot_ClearDate);
    // A job started from the start page set the medium without selecting it.
    connect(proxy, &SignalProxy::signal_updateCurrentMediaName, this,
            [this] { showMedia(currentProject().mediaFilePath); });
}

QString MainContentWidget::shownMediaName() const
{
    return m_videoStack->currentWidget() == m_mediaName ? m_mediaName->text() : QString();
}

void MainContentWidget::slot_SelectMediafile(QString path)
{
    currentProject().mediaFilePath = path;
    showMedia(path);
}

void MainContentWidget::slot_loadProject()
{
    showMedia(currentProject().mediaFilePath);
    emit SignalProxy::instance()->signal_noticeShowLoadProjectLayer(false);
}

void MainContentWidget::slot_ClearDate()
{
    m_mediaName->clear();
    m_videoStack->setCurrentIndex(0);
}

void MainContentWidget::showMedia(const QString &path)
{
    if (path.isEmpty()) {
        slot_ClearDate();
        return;
    }
    m_mediaName->setText(QFileInfo(path).fileName());
    m_videoStack->setCurrentWidget(m_mediaName);
}

#include "shell/MainContentWidget.h"

#include "base/CurrentProject.h"
#include "views/AudioWaveWidget.h"
#include "views/PlayerWindow.h"
#include "views/SrtListWidget.h"
#include "views/VideoWidget.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QToolButton>
#include <QVBoxLayout>

MainContentWidget::MainContentWidget(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("MainContentWidget"));
    setAttribute(Qt::WA_StyledBackground);

    m_video = new VideoWidget(this);

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
    row->addWidget(m_video, 3);
    row->addWidget(srtPanel, 2);

    m_wave = new AudioWaveWidget(this);
    m_wave->setFixedHeight(182);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(row, 1);
    layout->addWidget(m_wave);
}

QString MainContentWidget::shownMediaName() const
{
    const PlayerWindow *player = m_video->playerWindow();
    if (player->isHidden() || player->mediaPath().isEmpty())
        return QString();
    return QFileInfo(player->mediaPath()).fileName();
}

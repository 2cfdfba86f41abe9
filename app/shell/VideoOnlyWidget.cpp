#include "shell/VideoOnlyWidget.h"

#include "base/CurrentProject.h"
#include "base/LoginState.h"
#include "base/MsgBox.h"
#include "base/SignalProxy.h"
#include "shell/FileSelectWidget.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

VideoOnlyWidget::VideoOnlyWidget(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("VideoOnlyWidget"));
    m_media = new FileSelectWidget(this);
    m_media->setType(FileSelectWidget::Media);
    m_start = new QPushButton(QStringLiteral("开始"), this);
    m_start->setObjectName(QStringLiteral("toolButton_Start"));
    m_start->setFixedSize(160, 40);
    m_start->setCursor(Qt::PointingHandCursor);

    auto *tiles = new QHBoxLayout;
    tiles->setSpacing(40);
    tiles->addStretch();
    tiles->addWidget(m_media);
    tiles->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addStretch();
    layout->addLayout(tiles);
    layout->addSpacing(30);
    layout->addWidget(m_start, 0, Qt::AlignHCenter);
    layout->addStretch();
    connect(m_start, &QPushButton::clicked, this, &VideoOnlyWidget::slot_clickStartButton);
}

void VideoOnlyWidget::clear()
{
    m_media->clear();
}

void VideoOnlyWidget::slot_clickStartButton()
{
    if (!loginState().loggedIn) {
        emit SignalProxy::instance()->signal_noticeShowLoginWidget();
        return;
    }
    const QString media = m_media->filePath();
    if (media.isEmpty()) {
        MsgBox::notice(this, QStringLiteral("请先选择媒体文件！"));
        return;
    }
    currentProject().recognitionMode = true;
    emit SignalProxy::instance()->signal_RequestAutoalignment(media, QString());
}

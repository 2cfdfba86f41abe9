#include "shell/VideoSrtWidget.h"

#include "base/LoginState.h"
#include "base/MsgBox.h"
#include "base/SignalProxy.h"
#include "shell/FileSelectWidget.h"

#include <QDebug>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

VideoSrtWidget::VideoSrtWidget(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("VideoSrtWidget"));
    m_media = new FileSelectWidget(this);
    m_media->setType(FileSelectWidget::Media);
    m_transcript = new FileSelectWidget(this);
    m_transcript->setType(FileSelectWidget::Transcript);
    m_start = new QPushButton(QStringLiteral("开始"), this);
    m_start->setObjectName(QStringLiteral("toolButton_Start"));
    m_start->setFixedSize(160, 40);
    m_start->setCursor(Qt::PointingHandCursor);

    auto *tiles = new QHBoxLayout;
    tiles->setSpacing(40);
    tiles->addStretch();
    tiles->addWidget(m_media);
    tiles->addWidget(m_transcript);
    tiles->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addStretch();
    layout->addLayout(tiles);
    layout->addSpacing(30);
    layout->addWidget(m_start, 0, Qt::AlignHCenter);
    layout->addStretch();
    connect(m_start, &QPushButton::clicked, this, &VideoSrtWidget::slot_clickStartButton);
}

void VideoSrtWidget::clear()
{
    m_media->clear();
    m_transcript->clear();
}

void VideoSrtWidget::slot_clickStartButton()
{
    if (!loginState().loggedIn) {
        emit SignalProxy::instance()->signal_noticeShowLoginWidget();
        return;
    }
    const QString media = m_media->filePath();
    const QString transcript = m_transcript->filePath();
    if (media.isEmpty()) {
        MsgBox::notice(this, QStringLiteral("请先选择媒体文件！"));
        return;
    }
    if (transcript.isEmpty()) {
        MsgBox::notice(this, QStringLiteral("请先选择文本文件！"));
        return;
    }
    qDebug().noquote() << media + QLatin1Char('\t') + transcript;
    emit SignalProxy::instance()->signal_RequestAutoalignment(media, transcript);
}

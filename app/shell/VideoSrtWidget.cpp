#include "shell/VideoSrtWidget.h"

#include "base/MsgBox.h"
#include "base/SignalProxy.h"
#include "shell/FileSelectWidget.h"

#include <QDebug>
#include <QPushButton>

VideoSrtWidget::VideoSrtWidget(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("VideoSrtWidget"));
    m_media = new FileSelectWidget(this);
    m_media->setType(FileSelectWidget::Media);
    m_transcript = new FileSelectWidget(this);
    m_transcript->setType(FileSelectWidget::Transcript);
    m_start = layOutTaskPage(this, {m_media, m_transcript});
    connect(m_start, &QPushButton::clicked, this, &VideoSrtWidget::slot_clickStartButton);
}

void VideoSrtWidget::clear()
{
    m_media->clear();
    m_transcript->clear();
}

void VideoSrtWidget::slot_clickStartButton()
{
    const QString media = m_media->filePath();
    const QString transcript = m_transcript->filePath();
    if (!taskPageMayStart(this, media))
        return;
    if (transcript.isEmpty()) {
        MsgBox::notice(this, QStringLiteral("请先选择文本文件！"));
        return;
    }
    qDebug().noquote() << media + QLatin1Char('\t') + transcript;
    emit SignalProxy::instance()->signal_RequestAutoalignment(media, transcript);
}

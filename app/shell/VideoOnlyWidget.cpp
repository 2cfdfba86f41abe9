#include "shell/VideoOnlyWidget.h"

#include "base/CurrentProject.h"
#include "base/SignalProxy.h"
#include "shell/FileSelectWidget.h"

#include <QPushButton>

VideoOnlyWidget::VideoOnlyWidget(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("VideoOnlyWidget"));
    m_media = new FileSelectWidget(this);
    m_media->setType(FileSelectWidget::Media);
    m_start = layOutTaskPage(this, {m_media});
    connect(m_start, &QPushButton::clicked, this, &VideoOnlyWidget::slot_clickStartButton);
}

void VideoOnlyWidget::clear()
{
    m_media->clear();
}

void VideoOnlyWidget::slot_clickStartButton()
{
    const QString media = m_media->filePath();
    if (!taskPageMayStart(this, media))
        return;
    currentProject().recognitionMode = true;
    emit SignalProxy::instance()->signal_RequestAutoalignment(media, QString());
}

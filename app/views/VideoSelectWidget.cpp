#include "views/VideoSelectWidget.h"

#include "base/FilePickers.h"
#include "base/MsgBox.h"
#include "base/SignalProxy.h"

VideoSelectWidget::VideoSelectWidget(QWidget *parent)
    : DropAreaWidget(QStringLiteral(":/image/main/drag_left.png"),
                     QStringLiteral("将音视频拖放到这里或者点击选取"), parent)
{
}

void VideoSelectWidget::announceFiles(const QStringList &files)
{
    for (const QString &file : files) {
        if (!FilePickers::isAcceptableMediaName(file)) {
            MsgBox::notice(this, QStringLiteral("非法的文件名!"));
            return;
        }
        emit SignalProxy::instance()->signal_SelectMediafile(file);
    }
}

void VideoSelectWidget::clicked()
{
    const QString path = FilePickers::pickMediaFile(this);
    if (!path.isEmpty())
        emit SignalProxy::instance()->signal_SelectMediafile(path);
}

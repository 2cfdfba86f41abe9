#include "views/DragSrtWidget.h"

#include "base/FilePickers.h"
#include "base/SignalProxy.h"

DragSrtWidget::DragSrtWidget(QWidget *parent)
    : DropAreaWidget(QStringLiteral(":/image/main/drag_right.png"),
                     QStringLiteral("将字幕文件拖拽到这里或点击选取"), parent)
{
}

void DragSrtWidget::slot_Labelclick()
{
    const QString path = FilePickers::pickTextFile(this);
    if (!path.isEmpty())
        emit SignalProxy::instance()->signal_SelectTxtfile(path);
}

void DragSrtWidget::announceFiles(const QStringList &files)
{
    if (!files.isEmpty())
        emit SignalProxy::instance()->signal_SelectTxtfile(files.first());
}

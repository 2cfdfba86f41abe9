#include "shell/SrtTypechoiceWidget.h"

#include "base/SignalProxy.h"
#include "shell/SrtTasktypeITem.h"

#include <QHBoxLayout>

SrtTypechoiceWidget::SrtTypechoiceWidget(QWidget *parent)
    : QWidget(parent)
{
    struct Tile
    {
        const char *name;
        QString title;
        QString description;
        QString remark;
    };
    const Tile tiles[] = {
        {"widget_Type1", QStringLiteral("我有视频+字幕稿"), QStringLiteral("云端根据语音自动对齐文本"),
         QStringLiteral("校对后即可输出")},
        {"widget_Type2", QStringLiteral("我只有视频"), QStringLiteral("云端根据语音识别为文本并自动切轴对齐"),
         QStringLiteral("校对后即可输出")},
        {"widget_Type3", QStringLiteral("创建批量任务"), QStringLiteral("支持自动对齐和语音识别"),
         QStringLiteral("适合多任务批量处理")},
    };
    auto *layout = new QHBoxLayout(this);
    layout->setSpacing(16);
    layout->addStretch();
    for (const Tile &tile : tiles) {
        auto *item = new SrtTasktypeITem(tile.title, tile.description, tile.remark, this);
        item->setObjectName(QLatin1String(tile.name));
        connect(item, &SrtTasktypeITem::signal_ClickSrtTaskItem, this, &SrtTypechoiceWidget::slot_ClickSrtTaskItem);
        layout->addWidget(item);
    }
    layout->addStretch();
}

int SrtTypechoiceWidget::tileNumber(const QString &objectName)
{
    for (int i = 1; i <= 3; ++i) {
        if (objectName == QStringLiteral("widget_Type%1").arg(i))
            return i;
    }
    return 0;
}

void SrtTypechoiceWidget::slot_ClickSrtTaskItem()
{
    const int tile = tileNumber(sender() ? sender()->objectName() : QString());
    if (tile == 1 || tile == 2)
        emit signal_SwitchSrtPage(tile);
    else if (tile == 3)
        emit SignalProxy::instance()->signal_clickTab(4, 0);
}

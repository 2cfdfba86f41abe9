#include "shell/MoreOperate.h"

#include "base/AppConfig.h"
#include "base/ClickableLabel.h"

#include <QCoreApplication>
#include "base/DesktopActions.h"
#include <QFrame>
#include <QUrl>
#include <QVBoxLayout>

MoreOperate::MoreOperate(QWidget *parent)
    : AutoHidePopup(QStringLiteral("更多"), parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(130, 112);
    auto *frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("MoreOperateFrame"));
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(frame);
    auto *layout = new QVBoxLayout(frame);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(2);

    auto *manual = new ClickableLabel(QStringLiteral("操作手册"), frame);
    auto *site = new ClickableLabel(QStringLiteral("访问网站"), frame);
    auto *help = new ClickableLabel(QStringLiteral("帮助"), frame);
    for (ClickableLabel *label : {manual, site, help}) {
        // Indented by the label, not by blanks in its text.
        label->setIndent(10);
        layout->addWidget(label);
    }
    connect(manual, &ClickableLabel::clicked, this, [this] {
        hide();
        DesktopActions::openUrl(manualUrl());
    });
    connect(site, &ClickableLabel::clicked, this, [this] {
        hide();
        DesktopActions::openUrl(QUrl(AppConfig::webHost()));
    });
    connect(help, &ClickableLabel::clicked, this, [this] {
        hide();
        DesktopActions::openUrl(AppConfig::webPage(QStringLiteral("/faq.html")));
    });

}

QUrl MoreOperate::manualUrl()
{
    return QUrl::fromLocalFile(QCoreApplication::applicationDirPath()
                               + QStringLiteral("/[CuewrightV3.0] 使用手册.pdf"));
}

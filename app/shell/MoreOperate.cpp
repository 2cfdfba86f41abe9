#include "shell/MoreOperate.h"

#include "base/AppConfig.h"
#include "base/ClickableLabel.h"
#include "base/DesktopActions.h"
#include "project/Settings.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFrame>
#include <QUrl>
#include <QVBoxLayout>

MoreOperate::MoreOperate(QWidget *parent)
    : AutoHidePopup(QStringLiteral("更多"), parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(150, 166);
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
    auto *update = new ClickableLabel(QStringLiteral("检查更新"), frame);
    for (ClickableLabel *label : {manual, site, help, update}) {
        // Indented by the label, not by blanks in its text.
        label->setIndent(10);
        layout->addWidget(label);
    }
    m_checkAtStart = new QCheckBox(QStringLiteral("启动时检查更新"), frame);
    m_checkAtStart->setObjectName(QStringLiteral("checkBox_CheckUpdateAtStart"));
    layout->addWidget(m_checkAtStart);

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
    connect(update, &ClickableLabel::clicked, this, [this] {
        hide();
        emit signal_checkUpdate();
    });
    connect(m_checkAtStart, &QCheckBox::toggled, this, [](bool checked) {
        writeSetting(SettingKeys::CheckUpdateAtStart, checked ? QStringLiteral("1") : QStringLiteral("0"));
    });
}

void MoreOperate::showEvent(QShowEvent *event)
{
    const QSignalBlocker quiet(m_checkAtStart);
    m_checkAtStart->setChecked(
        settingFlagIsSet(ensureSettingDefault(SettingKeys::CheckUpdateAtStart, QStringLiteral("1"))));
    AutoHidePopup::showEvent(event);
}

QUrl MoreOperate::manualUrl()
{
    return QUrl::fromLocalFile(QCoreApplication::applicationDirPath()
                               + QStringLiteral("/[CuewrightV3.0] 使用手册.pdf"));
}

#include "shell/SystemTipWidget.h"

#include "project/Settings.h"
#include "base/AppConfig.h"

#include "base/DesktopActions.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

SystemTipWidget::SystemTipWidget(QWidget *parent)
    : FramedDialog(QStringLiteral("提示"), parent, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("SystemTipWidget"));
    setFixedSize(560, 230);

    auto *text = new QLabel(this);
    text->setObjectName(QStringLiteral("dialogText"));
    text->setText(QStringLiteral(
        "<html><head/><body><span style=\" font-size:14px;\">Cuewright专注讲座、课程、访谈、影视等对白类字幕处理，</span>"
        "<br><span style=\" font-size:14px;\">请保证音频无明显背景音乐、环境音等噪音，否则会影响识别结果。</span></body></html>"));

    auto *hint = new QLabel(QStringLiteral("“字幕中夹杂英文影响对齐？”更多使用小技巧请点击"), this);
    auto *look = new QPushButton(QStringLiteral("查看"), this);
    look->setFlat(true);
    look->setCursor(Qt::PointingHandCursor);
    look->setStyleSheet(QStringLiteral("QPushButton{border:none;background:transparent;color:rgb(71,179,249);"
                                       "min-width:0;padding:0;text-decoration:underline;}"));
    connect(look, &QPushButton::clicked, this, [] {
        DesktopActions::openUrl(AppConfig::webPage(QStringLiteral("/askQuestion.honzh")));
    });
    auto *hintRow = new QHBoxLayout;
    hintRow->addWidget(hint);
    hintRow->addWidget(look);
    hintRow->addStretch();

    m_dontRemind = new QCheckBox(QStringLiteral("不再提醒"), this);
    connect(m_dontRemind, &QCheckBox::toggled, this, [](bool checked) {
        writeSetting(SettingKeys::ShowSystemTip, checked ? QStringLiteral("0") : QStringLiteral("1"));
    });
    auto *ok = new QPushButton(QStringLiteral("确定"), this);
    ok->setObjectName(QStringLiteral("primaryButton"));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto *bottomRow = new QHBoxLayout;
    bottomRow->addWidget(m_dontRemind);
    bottomRow->addStretch();
    bottomRow->addWidget(ok);

    QVBoxLayout *layout = contentLayout();
    layout->setContentsMargins(20, 0, 20, 16);
    layout->addWidget(text, 1);
    layout->addLayout(hintRow);
    layout->addLayout(bottomRow);
}

bool SystemTipWidget::shouldShow()
{
    return settingFlagIsSet(ensureSettingDefault(SettingKeys::ShowSystemTip, QStringLiteral("1")));
}

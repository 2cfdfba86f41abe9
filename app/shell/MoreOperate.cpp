#include "shell/MoreOperate.h"

#include "shell/AppConfig.h"
#include "shell/ClickableLabel.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFrame>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

MoreOperate::MoreOperate(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
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
        QDesktopServices::openUrl(manualUrl());
    });
    connect(site, &ClickableLabel::clicked, this, [this] {
        hide();
        QDesktopServices::openUrl(QUrl(AppConfig::webHost()));
    });
    connect(help, &ClickableLabel::clicked, this, [this] {
        hide();
        QDesktopServices::openUrl(AppConfig::webPage(QStringLiteral("/faq.html")));
    });

    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);
    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, &QWidget::hide);
}

QUrl MoreOperate::manualUrl()
{
    return QUrl::fromLocalFile(QCoreApplication::applicationDirPath()
                               + QStringLiteral("/[CuewrightV3.0] 使用手册.pdf"));
}

void MoreOperate::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_timer->start();
}

void MoreOperate::enterEvent(QEvent *event)
{
    m_timer->stop();
    QWidget::enterEvent(event);
}

void MoreOperate::leaveEvent(QEvent *event)
{
    hide();
    QWidget::leaveEvent(event);
}

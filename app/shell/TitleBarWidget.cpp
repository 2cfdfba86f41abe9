#include "shell/TitleBarWidget.h"

#include "base/LoginState.h"
#include "base/SignalProxy.h"
#include "base/WindowDragger.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVariant>

TitleBarWidget::TitleBarWidget(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_StyledBackground);
    setFixedHeight(54);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 0, 10, 0);
    layout->setSpacing(4);

    auto *logo = new QLabel(this);
    logo->setFixedSize(68, 41);
    logo->setPixmap(QPixmap(QStringLiteral(":/image/titlebar/logo1.png")));
    layout->addWidget(logo);

    m_leading = new QHBoxLayout;
    m_leading->setSpacing(2);
    layout->addLayout(m_leading);
    layout->addStretch();

    SignalProxy *proxy = SignalProxy::instance();
    QToolButton *more = addNamedButton(layout, QStringLiteral("more"));
    connect(more, &QToolButton::clicked, this, [this, more, proxy] {
        emit proxy->signal_NoticeShowMoreOperateWidget(more->mapToGlobal(QPoint(0, 0)));
    });
    QToolButton *person = addNamedButton(layout, QStringLiteral("personcenter"));
    connect(person, &QToolButton::clicked, this, [person, proxy] {
        if (!loginState().loggedIn)
            emit proxy->signal_noticeShowLoginWidget();
        else
            emit proxy->signal_NoticeShowPersonCenterWidget(person->mapToGlobal(QPoint(0, 0)));
    });

    m_userName = new QLabel(this);
    m_userName->setProperty("name", QStringLiteral("username"));
    m_userName->setFixedWidth(90);
    m_userName->hide();
    layout->addWidget(m_userName);

    QToolButton *login = addNamedButton(layout, QStringLiteral("login"), QStringLiteral("登录"));
    connect(login, &QToolButton::clicked, proxy, &SignalProxy::signal_noticeShowLoginWidget);
    QToolButton *reg = addNamedButton(layout, QStringLiteral("reg"), QStringLiteral("注册"));
    connect(reg, &QToolButton::clicked, proxy, &SignalProxy::signal_noticeShowRegWidget);

    layout->addSpacing(12);
    QToolButton *min = addNamedButton(layout, QStringLiteral("min"));
    connect(min, &QToolButton::clicked, this, [this] { window()->showMinimized(); });
    QToolButton *normal = addNamedButton(layout, QStringLiteral("normal"));
    normal->hide();
    connect(normal, &QToolButton::clicked, this, &TitleBarWidget::showMaxNormal);
    QToolButton *max = addNamedButton(layout, QStringLiteral("max"));
    connect(max, &QToolButton::clicked, this, &TitleBarWidget::showMaxNormal);
    QToolButton *close = addNamedButton(layout, QStringLiteral("close"));
    connect(close, &QToolButton::clicked, this, &TitleBarWidget::signal_closeClicked);

    // Presses within the rightmost 170 pixels (the window buttons) never drag.
    WindowDragger::titleBar(this);

    connect(proxy, &SignalProxy::signal_LoginSuccess, this, &TitleBarWidget::slot_noticeLoginSuccess);
    connect(proxy, &SignalProxy::signal_NoticeLogout, this, &TitleBarWidget::slot_NoticeLogout);
}

QToolButton *TitleBarWidget::button(const QString &name) const
{
    for (QToolButton *candidate : findChildren<QToolButton *>()) {
        if (candidate->property("name").toString() == name)
            return candidate;
    }
    return nullptr;
}

QToolButton *TitleBarWidget::addNamedButton(QHBoxLayout *layout, const QString &name, const QString &text)
{
    auto *button = new QToolButton(this);
    button->setProperty("name", name);
    button->setText(text);
    button->setCursor(Qt::PointingHandCursor);
    button->setFocusPolicy(Qt::NoFocus);
    if (!text.isEmpty())
        button->setFixedHeight(30);
    layout->addWidget(button);
    return button;
}

void TitleBarWidget::slot_noticeLoginSuccess(QString userName)
{
    m_fullUserName = userName;
    showUserName();
    m_userName->show();
    button(QStringLiteral("login"))->hide();
    button(QStringLiteral("reg"))->hide();
}

void TitleBarWidget::slot_NoticeLogout()
{
    m_fullUserName.clear();
    m_userName->clear();
    m_userName->setToolTip(QString());
    m_userName->hide();
    button(QStringLiteral("login"))->show();
    button(QStringLiteral("reg"))->show();
}

void TitleBarWidget::showUserName()
{
    m_userName->setText(m_userName->fontMetrics().elidedText(m_fullUserName, Qt::ElideRight,
                                                             m_userName->width()));
    m_userName->setToolTip(m_fullUserName);
}

void TitleBarWidget::showMaxNormal()
{
    m_maximised = !m_maximised;
    button(QStringLiteral("max"))->setVisible(!m_maximised);
    button(QStringLiteral("normal"))->setVisible(m_maximised);
    emit signal_Maxnormal(m_maximised);
    emit SignalProxy::instance()->signal_taskManageTableResize(!m_maximised);
}

void TitleBarWidget::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (!m_fullUserName.isEmpty())
        showUserName();
}

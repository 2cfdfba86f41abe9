#include "account/PersonTipWidget.h"

#include "account/AccountService.h"
#include "account/RemainingTime.h"
#include "base/LoginState.h"
#include "project/Settings.h"
#include "base/ClickableLabel.h"
#include "base/SignalProxy.h"

#include "base/DesktopActions.h"
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

PersonTipWidget::PersonTipWidget(QWidget *parent)
    : AutoHidePopup(QStringLiteral("个人中心"), parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(220, 172);
    auto *frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("PersonTipFrame"));
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(frame);

    auto *remainingTitle = new QLabel(QStringLiteral("  剩余时长"), frame);
    m_remaining = new QLabel(frame);
    m_remaining->setObjectName(QStringLiteral("label_RemainTime"));
    auto *charge = new QPushButton(QStringLiteral("充值"), frame);
    charge->setObjectName(QStringLiteral("primaryButton"));
    charge->setStyleSheet(QStringLiteral("min-width: 44px; min-height: 22px;"));
    connect(charge, &QPushButton::clicked, this, &PersonTipWidget::slot_clickChargeButton);
    auto *balanceRow = new QHBoxLayout;
    balanceRow->addWidget(remainingTitle);
    balanceRow->addWidget(m_remaining, 1);
    balanceRow->addWidget(charge);

    auto *records = new ClickableLabel(QStringLiteral("  查看消费记录"), frame);
    auto *password = new ClickableLabel(QStringLiteral("  修改密码"), frame);
    m_cancelAutoLogin = new ClickableLabel(QStringLiteral("  取消自动登录"), frame);
    auto *logout = new ClickableLabel(QStringLiteral("  退出登录"), frame);
    connect(records, &ClickableLabel::clicked, this, &PersonTipWidget::slot_clickLookupConsumeLabel);
    connect(password, &ClickableLabel::clicked, this, &PersonTipWidget::slot_clickAlterPwdLabel);
    connect(m_cancelAutoLogin, &ClickableLabel::clicked, this, &PersonTipWidget::slot_clickCancelAutoLogin);
    connect(logout, &ClickableLabel::clicked, this, &PersonTipWidget::slot_clickLoginoutLabel);

    auto *layout = new QVBoxLayout(frame);
    layout->setContentsMargins(6, 8, 8, 8);
    layout->setSpacing(2);
    layout->addLayout(balanceRow);
    for (QLabel *label : {static_cast<QLabel *>(records), static_cast<QLabel *>(password),
                          static_cast<QLabel *>(m_cancelAutoLogin), static_cast<QLabel *>(logout)})
        layout->addWidget(label);
    layout->addStretch();

}

bool PersonTipWidget::refresh()
{
    m_cancelAutoLogin->setVisible(accountMemory().autoLogin);
    const std::optional<QString> remaining = fetchRemainingTimeText(this);
    if (remaining)
        m_remaining->setText(*remaining);
    return remaining.has_value();
}

QString PersonTipWidget::remainingTimeText() const
{
    return m_remaining->text();
}

bool PersonTipWidget::cancelAutoLoginShown() const
{
    return !m_cancelAutoLogin->isHidden();
}

void PersonTipWidget::slot_timeout()
{
    hide();
}

void PersonTipWidget::slot_clickChargeButton()
{
    if (!loginState().loggedIn) {
        emit SignalProxy::instance()->signal_noticeShowLoginWidget();
        return;
    }
    const QString address = AccountService::paymentAddress(loginState().sessionId, accountMemory().userName);
    hide();
    if (!address.isEmpty())
        DesktopActions::openUrl(QUrl(address));
}

void PersonTipWidget::slot_clickLookupConsumeLabel()
{
    if (!loginState().loggedIn) {
        emit SignalProxy::instance()->signal_noticeShowLoginWidget();
        return;
    }
    emit SignalProxy::instance()->signal_NoticeShowConsumeRecordWidget();
    hide();
}

void PersonTipWidget::slot_clickAlterPwdLabel()
{
    if (!loginState().loggedIn) {
        emit SignalProxy::instance()->signal_noticeShowLoginWidget();
        return;
    }
    emit SignalProxy::instance()->signal_NoticeShowUpdatePwdWidget();
    hide();
}

void PersonTipWidget::slot_clickCancelAutoLogin()
{
    if (!accountMemory().autoLogin)
        return;
    accountMemory().autoLogin = false;
    writeSetting(SettingKeys::IsAutoLogin, QStringLiteral("0"));
    hide();
}

void PersonTipWidget::slot_clickLoginoutLabel()
{
    AccountService::logout(loginState().sessionId);
    loginState().loggedIn = false;
    emit SignalProxy::instance()->signal_NoticeLogout();
    hide();
}

#include "account/RemainingTime.h"

#include "account/AccountService.h"
#include "base/LoginState.h"
#include "project/TimeText.h"
#include "base/MsgBox.h"
#include "base/SignalProxy.h"

std::optional<QString> fetchRemainingTimeText(QWidget *owner)
{
    if (!loginState().loggedIn) {
        emit SignalProxy::instance()->signal_noticeShowLoginWidget();
        return std::nullopt;
    }
    const AccountService::Result balance = AccountService::queryBalance(loginState().sessionId);
    if (!balance.ok) {
        MsgBox::notice(owner, QStringLiteral("查询失败：") + balance.error);
        return std::nullopt;
    }
    return formatDurationText(balance.text.trimmed().toInt());
}

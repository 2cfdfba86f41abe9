#pragma once

#include <QString>

// The account operations of the service, each on its own handle to the
// configured host. Texts cross the library in the local code page (GBK).
// Every call blocks for one exchange with the service.
namespace AccountService {

struct Result
{
    bool ok = false;
    QString text;  // session id, balance or records on success
    QString error; // the library's message on failure
};

// 0 with the session id, or -1 with "登录失败：<message>".
int loginToService(const QString &userName, const QString &password, QString &sessionId,
                   QString &errorText);

Result queryBalance(const QString &sessionId);
Result queryCostLog(const QString &sessionId, int start, int end);
Result changePassword(const QString &userName, const QString &password, const QString &newPassword);
// The outcome is not examined by callers: a log-out always succeeds locally.
void logout(const QString &sessionId);
// The payment page for this session, or an empty text when it cannot be built.
QString paymentAddress(const QString &sessionId, const QString &userName);

// The library's message for its current error number.
QString lastErrorText();

} // namespace AccountService

#include "account/AccountService.h"

#include "base/AppConfig.h"
#include "subtitle/LocalCodec.h"

#include <voxlink.h>

#include <cstdlib>
#include <memory>

namespace {

struct HandleCloser
{
    void operator()(ServiceHandle *handle) const { subtitle_end(handle); }
};
using Handle = std::unique_ptr<ServiceHandle, HandleCloser>;

Handle openHandle()
{
    const QByteArray host = AppConfig::serviceHost().toLatin1();
    return Handle(subtitle_start(host.constData(), AppConfig::servicePort()));
}

// Balance and record texts outlive the handle; copy them before anything else.
AccountService::Result textResult(int rc, const char *text)
{
    AccountService::Result result;
    result.ok = rc >= 0;
    if (result.ok)
        result.text = text ? fromLocal8(QByteArray(text)) : QString();
    else
        result.error = AccountService::lastErrorText();
    return result;
}

} // namespace

namespace AccountService {

QString lastErrorText()
{
    return fromLocal8(QByteArray(subtitle_strerror(errnum)));
}

int loginToService(const QString &userName, const QString &password, QString &sessionId,
                   QString &errorText)
{
    const QByteArray name = userName.toLatin1();
    const QByteArray secret = password.toLatin1();
    Handle handle = openHandle();
    char *session = nullptr;
    if (!handle || subtitle_login(handle.get(), name.constData(), secret.constData(), &session) < 0) {
        errorText = QStringLiteral("登录失败：") + lastErrorText();
        return -1;
    }
    sessionId = session ? fromLocal8(QByteArray(session)) : QString();
    std::free(session);
    return 0;
}

Result queryBalance(const QString &sessionId)
{
    const QByteArray session = toLocal8(sessionId);
    Handle handle = openHandle();
    if (!handle)
        return textResult(-1, nullptr);
    char *text = nullptr;
    const int rc = subtitle_balance(handle.get(), session.constData(), &text);
    Result result = textResult(rc, text);
    std::free(text);
    return result;
}

Result queryCostLog(const QString &sessionId, int start, int end)
{
    const QByteArray session = toLocal8(sessionId);
    Handle handle = openHandle();
    if (!handle)
        return textResult(-1, nullptr);
    char *text = nullptr;
    const int rc = subtitle_costlog(handle.get(), session.constData(), start, end, &text);
    Result result = textResult(rc, text);
    std::free(text);
    return result;
}

Result changePassword(const QString &userName, const QString &password, const QString &newPassword)
{
    const QByteArray name = toLocal8(userName);
    const QByteArray current = toLocal8(password);
    const QByteArray next = toLocal8(newPassword);
    Handle handle = openHandle();
    const int rc = handle ? subtitle_update(handle.get(), name.constData(), current.constData(),
                                            next.constData())
                          : -1;
    return textResult(rc, nullptr);
}

void logout(const QString &sessionId)
{
    const QByteArray session = toLocal8(sessionId);
    if (Handle handle = openHandle())
        subtitle_logout(handle.get(), session.constData());
}

QString paymentAddress(const QString &sessionId, const QString &userName)
{
    QByteArray buffer(4096, '\0');
    const int length = subtitle_alipay(toLocal8(sessionId).constData(), toLocal8(userName).constData(),
                                       buffer.data());
    if (length <= 0 || length >= buffer.size())
        return QString();
    return fromLocal8(buffer.left(length));
}

} // namespace AccountService

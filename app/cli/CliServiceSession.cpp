#include "CliServiceSession.h"

#include "audio/RecognitionJob.h"
#include "audio/ServiceText.h"

#include <cstdlib>
#include <memory>
#include <voxlink.h>

namespace {

struct HandleCloser
{
    void operator()(ServiceHandle *handle) const { subtitle_end(handle); }
};
using Handle = std::unique_ptr<ServiceHandle, HandleCloser>;

Handle openHandle(const ServiceAddress &address)
{
    return Handle(subtitle_start(address.host.toUtf8().constData(), address.port));
}

} // namespace

CliLogin logInToService(const ServiceAddress &address, const CliCredentials &credentials)
{
    CliLogin login;
    const QByteArray name = toServiceText(credentials.userName);
    QByteArray password = toServiceText(QString::fromLocal8Bit(credentials.password));
    Handle handle = openHandle(address);
    char *session = nullptr;
    errnum = 0;
    const int rc = handle ? subtitle_login(handle.get(), name.constData(), password.constData(), &session) : -1;
    password.fill('\0');
    login.code = rc == 0 ? errnum : (errnum == 0 || isLibrarySuccessCode(errnum) ? int(JobDataFormatError) : errnum);
    login.message = jobCodeMessage(login.code);
    if (rc == 0 && session)
        login.sessionId = QString::fromLatin1(session);
    std::free(session);
    return login;
}

void logOutOfService(const ServiceAddress &address, const QString &sessionId)
{
    if (Handle handle = openHandle(address))
        subtitle_logout(handle.get(), sessionId.toLatin1().constData());
}

#pragma once

#include "CliCredentials.h"

#include "audio/ServiceAddress.h"

#include <QString>

// A log-in for the length of one command.
struct CliLogin
{
    int code = 0;      // the library's number (20 on success)
    QString sessionId; // empty on failure
    QString message;   // the library's text for `code`

    bool ok() const { return !sessionId.isEmpty(); }
    // The service answered and said no (wrong password, unknown user, ...),
    // as opposed to not being reachable.
    bool refused() const { return code >= 21 && code <= 25; }
};

CliLogin logInToService(const ServiceAddress &address, const CliCredentials &credentials);
// Its outcome does not matter: the session is abandoned either way.
void logOutOfService(const ServiceAddress &address, const QString &sessionId);

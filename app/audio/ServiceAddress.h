#pragma once

#include <QString>

// Where the recognition service listens. The core's own reading of the
// environment, so that it needs nothing from the windows.
struct ServiceAddress
{
    QString host = QStringLiteral("127.0.0.1");
    unsigned int port = 30000;
};

// CUEWRIGHT_SERVICE_HOST (default 127.0.0.1) and CUEWRIGHT_SERVICE_PORT
// (default 30000; values outside 1..65535 fall back to it).
ServiceAddress serviceAddressFromEnvironment();

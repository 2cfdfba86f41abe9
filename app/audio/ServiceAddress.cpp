#include "audio/ServiceAddress.h"

#include <QtGlobal>

ServiceAddress serviceAddressFromEnvironment()
{
    ServiceAddress address;
    const QString host = qEnvironmentVariable("CUEWRIGHT_SERVICE_HOST").trimmed();
    if (!host.isEmpty())
        address.host = host;
    bool ok = false;
    const int port = qEnvironmentVariable("CUEWRIGHT_SERVICE_PORT").trimmed().toInt(&ok);
    if (ok && port > 0 && port <= 65535)
        address.port = unsigned(port);
    return address;
}

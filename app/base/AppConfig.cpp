#include "base/AppConfig.h"

namespace AppConfig {

QString serviceHost()
{
    const QString host = qEnvironmentVariable("CUEWRIGHT_SERVICE_HOST").trimmed();
    return host.isEmpty() ? QStringLiteral("127.0.0.1") : host;
}

unsigned int servicePort()
{
    bool ok = false;
    const int port = qEnvironmentVariable("CUEWRIGHT_SERVICE_PORT").trimmed().toInt(&ok);
    return ok && port > 0 && port <= 65535 ? static_cast<unsigned int>(port) : 30000u;
}

QString webHost()
{
    QString host = qEnvironmentVariable("CUEWRIGHT_WEB_HOST").trimmed();
    if (host.isEmpty())
        host = QStringLiteral("http://127.0.0.1:30080");
    while (host.endsWith(QLatin1Char('/')))
        host.chop(1);
    return host;
}

QUrl webPage(const QString &path)
{
    QString relative = path;
    while (relative.startsWith(QLatin1Char('/')))
        relative.remove(0, 1);
    return QUrl(webHost() + QLatin1Char('/') + relative);
}

} // namespace AppConfig

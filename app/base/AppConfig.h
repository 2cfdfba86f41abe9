#pragma once

#include <QString>
#include <QUrl>

// Addresses the program talks to. Defaults suit a local service; operators
// and tests point the program elsewhere through the environment.
namespace AppConfig {

// CUEWRIGHT_SERVICE_HOST, default "127.0.0.1".
QString serviceHost();
// CUEWRIGHT_SERVICE_PORT, default 30000; values outside 1..65535 fall back to it.
unsigned int servicePort();
// CUEWRIGHT_WEB_HOST, default "http://127.0.0.1:30080", without a trailing slash.
QString webHost();
// A page on the web host; a leading slash on path is optional.
QUrl webPage(const QString &path);

} // namespace AppConfig

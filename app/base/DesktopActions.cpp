#include "base/DesktopActions.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QFileInfo>

namespace {

const char *const kFileManagerService = "org.freedesktop.FileManager1";

bool showInFileManager(const QString &path)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return false;
    // Only a running file manager or one the bus can start will do; a call
    // to a missing service would just wait for its time-out.
    const QString service = QString::fromLatin1(kFileManagerService);
    if (!bus.interface()->isServiceRegistered(service).value()
        && !bus.interface()->activatableServiceNames().value().contains(service))
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(service, QStringLiteral("/org/freedesktop/FileManager1"),
                                                       service, QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(path).toString()} << QString();
    const QDBusMessage reply = bus.call(call, QDBus::Block, 5000);
    return reply.type() == QDBusMessage::ReplyMessage;
}

} // namespace

namespace DesktopActions {

bool openUrl(const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}

bool revealFile(const QString &path)
{
    const QFileInfo info(path);
    if (showInFileManager(info.absoluteFilePath()))
        return true;
    return openUrl(QUrl::fromLocalFile(info.absolutePath()));
}

} // namespace DesktopActions

#include "platform/FileManager.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QFileInfo>
#include <QUrl>

namespace pelto {

namespace {

const QString kService = QStringLiteral("org.freedesktop.FileManager1");
const QString kPath = QStringLiteral("/org/freedesktop/FileManager1");

// A session bus to ask. Without one, connecting would make libdbus try to
// launch a bus of its own and wait for it, which can hang a headless session.
bool SessionBusExists()
{
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"));
}

}  // namespace

bool FileManagerAvailable()
{
    if (!SessionBusExists())
        return false;
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return false;
    return bus.interface()->isServiceRegistered(kService).value();
}

bool ShowInFileManager(const QString& fileName, const QString& folder)
{
    if (!FileManagerAvailable())
        return false;
    const bool selectFile = !fileName.isEmpty();
    QDBusMessage call = QDBusMessage::createMethodCall(
        kService, kPath, kService, selectFile ? QStringLiteral("ShowItems") : QStringLiteral("ShowFolders"));
    const QString shown = selectFile ? fileName : folder;
    call << QStringList{QUrl::fromLocalFile(shown).toString()} << QString();
    // Fire and forget: a slow file manager must not freeze the viewer.
    return QDBusConnection::sessionBus().send(call);
}

}  // namespace pelto

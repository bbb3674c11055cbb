#include "platform/FileManager.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QUrl>

namespace pelto {

namespace {

const QString kService = QStringLiteral("org.freedesktop.FileManager1");
const QString kPath = QStringLiteral("/org/freedesktop/FileManager1");

}  // namespace

bool FileManagerAvailable()
{
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

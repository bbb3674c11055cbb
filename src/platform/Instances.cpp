#include "platform/Instances.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QWidget>

#include <algorithm>
#include <cerrno>
#include <optional>

#include <sys/stat.h>
#include <unistd.h>

namespace pelto {

namespace {

const QByteArray kInfoRequest = "INFO\n";
const QByteArray kActivateRequest = "ACTIVATE\n";

qint64 Now()
{
    return QDateTime::currentMSecsSinceEpoch();
}

// Answers the other copies and keeps the time this copy's window was last active.
class InstanceServer : public QObject {
public:
    explicit InstanceServer(QObject* parent) : QObject(parent), server_(this)
    {
        connect(&server_, &QLocalServer::newConnection, this, &InstanceServer::Accept);
    }

    bool Listen(const QString& path)
    {
        // A socket left by an earlier process with our pid is stale by definition.
        QLocalServer::removeServer(path);
        server_.setSocketOptions(QLocalServer::UserAccessOption);
        return server_.listen(path);
    }

    void SetWindow(QWidget* window)
    {
        if (window_)
            window_->removeEventFilter(this);
        window_ = window;
        lastActive_ = Now();
        if (window_)
            window_->installEventFilter(this);
    }

    QString Path() const { return server_.fullServerName(); }

    RunningCopy Self() const
    {
        RunningCopy copy;
        copy.Pid = QCoreApplication::applicationPid();
        copy.LastActive = lastActive_;
        copy.Title = window_ ? window_->windowTitle() : QString();
        copy.SocketPath = Path();
        copy.IsSelf = true;
        return copy;
    }

    bool HasWindow() const { return !window_.isNull(); }

    void Activate()
    {
        if (window_)
            BringWindowForward(window_);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == window_ && event->type() == QEvent::WindowActivate)
            lastActive_ = Now();
        return QObject::eventFilter(watched, event);
    }

private:
    void Accept()
    {
        while (QLocalSocket* socket = server_.nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Answer(socket); });
            if (socket->bytesAvailable() > 0)
                Answer(socket);
        }
    }

    void Answer(QLocalSocket* socket)
    {
        if (!socket->canReadLine()) {
            // A peer that sends garbage without a line end is not kept forever.
            if (socket->bytesAvailable() > 64)
                socket->abort();
            return;
        }
        const QByteArray request = socket->readLine(64);
        if (request == kInfoRequest) {
            if (!window_) {
                socket->write("NONE\n");
            } else {
                const RunningCopy self = Self();
                socket->write("COPY " + QByteArray::number(self.Pid) + ' ' + QByteArray::number(self.LastActive)
                              + ' ' + self.Title.toUtf8().toBase64() + '\n');
            }
        } else if (request == kActivateRequest) {
            socket->write(window_ ? "OK\n" : "NONE\n");
            Activate();
        }
        socket->flush();
        socket->disconnectFromServer();
    }

    QLocalServer server_;
    QPointer<QWidget> window_;
    qint64 lastActive_ = 0;
};

InstanceServer* theServer = nullptr;

// Sends one request and reads one line back; empty on any failure. `refused`
// tells that nobody listens on the socket any more.
QByteArray Ask(const QString& path, const QByteArray& request, int timeoutMs, bool* refused)
{
    if (refused)
        *refused = false;
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(static_cast<int>(deadline.remainingTime()))) {
        const auto error = socket.error();
        if (refused)
            *refused = error == QLocalSocket::ConnectionRefusedError || error == QLocalSocket::ServerNotFoundError;
        return {};
    }
    socket.write(request);
    if (!socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime())))
        return {};
    QByteArray reply;
    while (!reply.endsWith('\n')) {
        if (socket.bytesAvailable() == 0
            && !socket.waitForReadyRead(static_cast<int>(std::max<qint64>(deadline.remainingTime(), 0))))
            break;
        reply += socket.readAll();
        if (reply.size() > 4096)
            return {};
    }
    return reply.endsWith('\n') ? reply.chopped(1) : QByteArray();
}

std::optional<RunningCopy> ParseInfo(const QByteArray& reply, const QString& path)
{
    const QList<QByteArray> parts = reply.split(' ');
    if (parts.size() != 4 || parts[0] != "COPY")
        return std::nullopt;
    bool pidOk = false;
    bool timeOk = false;
    RunningCopy copy;
    copy.Pid = parts[1].toLongLong(&pidOk);
    copy.LastActive = parts[2].toLongLong(&timeOk);
    copy.Title = QString::fromUtf8(QByteArray::fromBase64(parts[3]));
    copy.SocketPath = path;
    if (!pidOk || !timeOk)
        return std::nullopt;
    return copy;
}

}  // namespace

QString InstanceFolder()
{
    QString base = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (base.isEmpty())
        base = QDir::tempPath() + QStringLiteral("/pelto-") + QString::number(getuid());
    const QString folder = base + QStringLiteral("/pelto");
    const QByteArray encoded = QFile::encodeName(folder);
    if (mkdir(QFile::encodeName(base).constData(), 0700) != 0 && errno != EEXIST)
        return {};
    if (mkdir(encoded.constData(), 0700) != 0 && errno != EEXIST)
        return {};
    // Another user's folder, or one others may enter, is not used: anyone who
    // can reach the sockets could raise our windows or pose as a copy.
    struct stat status {};
    if (lstat(encoded.constData(), &status) != 0 || !S_ISDIR(status.st_mode) || status.st_uid != getuid())
        return {};
    if ((status.st_mode & 0077) != 0 && chmod(encoded.constData(), 0700) != 0)
        return {};
    return folder;
}

bool StartInstanceServer(QWidget* window)
{
    if (!theServer) {
        const QString folder = InstanceFolder();
        if (folder.isEmpty())
            return false;
        auto* server = new InstanceServer(QCoreApplication::instance());
        if (!server->Listen(folder + u'/' + QString::number(QCoreApplication::applicationPid()))) {
            delete server;
            return false;
        }
        theServer = server;
        QObject::connect(server, &QObject::destroyed, [] { theServer = nullptr; });
    }
    theServer->SetWindow(window);
    return true;
}

QList<RunningCopy> ListRunningCopies(int timeoutMs)
{
    QList<RunningCopy> copies;
    const QString folder = InstanceFolder();
    if (folder.isEmpty())
        return copies;
    const QString ownPath = theServer ? theServer->Path() : QString();
    const QFileInfoList entries = QDir(folder).entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        bool isNumber = false;
        entry.fileName().toLongLong(&isNumber);
        if (!isNumber)
            continue;
        const QString path = entry.absoluteFilePath();
        if (path == ownPath)
            continue;
        bool refused = false;
        const QByteArray reply = Ask(path, kInfoRequest, timeoutMs, &refused);
        if (refused) {
            QFile::remove(path);
            continue;
        }
        if (std::optional<RunningCopy> copy = ParseInfo(reply, path))
            copies << *copy;
    }
    std::sort(copies.begin(), copies.end(), [](const RunningCopy& a, const RunningCopy& b) {
        return a.LastActive != b.LastActive ? a.LastActive > b.LastActive : a.Pid < b.Pid;
    });
    // The asking copy is the active one: it comes first.
    if (theServer && theServer->HasWindow())
        copies.prepend(theServer->Self());
    return copies;
}

bool ActivateCopy(const RunningCopy& copy, int timeoutMs)
{
    if (copy.IsSelf || (theServer && copy.SocketPath == theServer->Path())) {
        if (!theServer || !theServer->HasWindow())
            return false;
        theServer->Activate();
        return true;
    }
    return Ask(copy.SocketPath, kActivateRequest, timeoutMs, nullptr) == "OK";
}

void BringWindowForward(QWidget* window)
{
    if (window->windowState() & Qt::WindowMinimized)
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}

}  // namespace pelto

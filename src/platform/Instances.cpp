#include "platform/Instances.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QEvent>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QInputEvent>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <optional>
#include <vector>

#if QT_CONFIG(xcb)
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>
#endif

#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace pelto {

namespace {

const QByteArray kInfoRequest = "INFO\n";
// "ACTIVATE <user time> <asking window>": the window system's time of the
// user's input that asked, and the asking copy's window, so that the window
// manager lets the other copy take the focus from it.
const QByteArray kActivateRequest = "ACTIVATE";

// The window system's timestamp of the user's last key press or click in this
// process (X11 server time; 0 when there was none).
quint32 lastUserTime = 0;

// Sends a request to a copy and returns the chosen copy's answer later.
struct Question {
    QString path;
    std::unique_ptr<QLocalSocket> socket;
    QByteArray reply;
    bool done = false;
    bool refused = false;   // nobody listens there any more
};

// Asks every socket at once and waits for all answers, or `timeoutMs` in all.
// Waiting runs the event loop without user input: the window keeps painting,
// and this copy's own server keeps answering, so two copies asking each
// other at the same moment both get their answers.
void AskAll(std::vector<Question>& questions, const QByteArray& request, int timeoutMs)
{
    QEventLoop loop;
    int open = static_cast<int>(questions.size());
    auto finish = [&](Question& question) {
        if (question.done)
            return;
        question.done = true;
        if (--open == 0)
            loop.quit();
    };
    for (Question& question : questions) {
        question.socket = std::make_unique<QLocalSocket>();
        QLocalSocket* socket = question.socket.get();
        QObject::connect(socket, &QLocalSocket::connected, socket, [socket, request] { socket->write(request); });
        QObject::connect(socket, &QLocalSocket::readyRead, socket, [&question, socket, &finish] {
            question.reply += socket->readAll();
            if (question.reply.contains('\n') || question.reply.size() > 4096)
                finish(question);
        });
        QObject::connect(socket, &QLocalSocket::disconnected, socket, [&question, &finish] { finish(question); });
        QObject::connect(socket, &QLocalSocket::errorOccurred, socket,
                         [&question, &finish](QLocalSocket::LocalSocketError error) {
                             if (error == QLocalSocket::ConnectionRefusedError ||
                                 error == QLocalSocket::ServerNotFoundError)
                                 question.refused = true;
                             finish(question);
                         });
    }
    for (Question& question : questions) {
        if (!question.done)
            question.socket->connectToServer(question.path);
    }
    if (open > 0) {
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    for (Question& question : questions) {
        // a reply is one line; anything cut short or too long counts as none
        const qsizetype end = question.reply.indexOf('\n');
        question.reply = end >= 0 && end <= 4096 ? question.reply.left(end) : QByteArray();
        question.socket->disconnect();
        question.socket->abort();
    }
}

#if QT_CONFIG(xcb)
xcb_atom_t Atom(xcb_connection_t* connection, const char* name)
{
    const xcb_intern_atom_cookie_t cookie = xcb_intern_atom(connection, 0, static_cast<uint16_t>(strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t atom = reply ? reply->atom : XCB_ATOM_NONE;
    free(reply);
    return atom;
}

// Asks the window manager to activate `window` on behalf of the user's input
// at `userTime` in `asker` (_NET_ACTIVE_WINDOW, source "application").  A
// window manager that prevents focus stealing grants it because the time is
// the user's, not this process's last event.  False when not on X11.
bool RequestActivationX11(QWidget* window, quint32 userTime, quint32 asker)
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection() || !window->windowHandle())
        return false;
    xcb_connection_t* connection = x11->connection();
    const xcb_atom_t active = Atom(connection, "_NET_ACTIVE_WINDOW");
    if (active == XCB_ATOM_NONE)
        return false;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (!screen)
        return false;
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = static_cast<xcb_window_t>(window->windowHandle()->winId());
    event.type = active;
    event.data.data32[0] = 1;   // from an application
    event.data.data32[1] = userTime;
    event.data.data32[2] = asker;
    xcb_send_event(connection, 0, screen->root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(connection);
    return true;
}
#endif

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
        if (!watchingInput_ && QCoreApplication::instance()) {
            QCoreApplication::instance()->installEventFilter(this);
            watchingInput_ = true;
        }
    }

    // The X11 id of this copy's window (0 elsewhere, or without one).
    quint32 WindowId() const
    {
        if (!window_ || !window_->windowHandle() || QGuiApplication::platformName() != QLatin1String("xcb"))
            return 0;
        return static_cast<quint32>(window_->windowHandle()->winId());
    }

    QString Path() const { return server_.fullServerName(); }

    RunningCopy Self() const
    {
        RunningCopy copy;
        copy.Pid = QCoreApplication::applicationPid();
        copy.LastActive = lastActive_;
        // the title as shown: Qt's "[*]" rule already applied
        if (window_)
            copy.Title = window_->windowHandle() ? window_->windowHandle()->title() : window_->windowTitle();
        copy.SocketPath = Path();
        copy.IsSelf = true;
        return copy;
    }

    bool HasWindow() const { return !window_.isNull(); }

    void Activate(quint32 userTime, quint32 asker)
    {
        if (window_)
            BringWindowForward(window_, userTime, asker);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == window_ && event->type() == QEvent::WindowActivate)
            lastActive_ = Now();
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            // the same event reaches several receivers; any of them carries the time
            if (const auto stamp = static_cast<QInputEvent*>(event)->timestamp())
                lastUserTime = static_cast<quint32>(stamp);
            break;
        default:
            break;
        }
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
        const QList<QByteArray> words = request.trimmed().split(' ');
        if (request == kInfoRequest) {
            if (!window_) {
                socket->write("NONE\n");
            } else {
                const RunningCopy self = Self();
                socket->write("COPY " + QByteArray::number(self.Pid) + ' ' + QByteArray::number(self.LastActive)
                              + ' ' + self.Title.toUtf8().toBase64() + '\n');
            }
        } else if (words.value(0) == kActivateRequest) {
            socket->write(window_ ? "OK\n" : "NONE\n");
            socket->flush();
            Activate(words.value(1).toUInt(), words.value(2).toUInt());
        }
        socket->flush();
        socket->disconnectFromServer();
    }

    QLocalServer server_;
    QPointer<QWidget> window_;
    qint64 lastActive_ = 0;
    bool watchingInput_ = false;
};

InstanceServer* theServer = nullptr;

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
    std::vector<Question> questions;
    for (const QFileInfo& entry : entries) {
        bool isNumber = false;
        entry.fileName().toLongLong(&isNumber);
        const QString path = entry.absoluteFilePath();
        if (isNumber && path != ownPath)
            questions.push_back(Question{path, nullptr, {}, false, false});
    }
    AskAll(questions, kInfoRequest, timeoutMs);
    for (const Question& question : questions) {
        if (question.refused) {
            QFile::remove(question.path);
            continue;
        }
        if (std::optional<RunningCopy> copy = ParseInfo(question.reply, question.path))
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
    const quint32 asker = theServer ? theServer->WindowId() : 0;
    if (copy.IsSelf || (theServer && copy.SocketPath == theServer->Path())) {
        if (!theServer || !theServer->HasWindow())
            return false;
        theServer->Activate(lastUserTime, asker);
        return true;
    }
    std::vector<Question> questions;
    questions.push_back(Question{copy.SocketPath, nullptr, {}, false, false});
    AskAll(questions, kActivateRequest + ' ' + QByteArray::number(lastUserTime) + ' ' + QByteArray::number(asker) + '\n',
           timeoutMs);
    return questions.front().reply == "OK";
}

void BringWindowForward(QWidget* window, quint32 userTime, quint32 asker)
{
    if (window->windowState() & Qt::WindowMinimized)
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
#if QT_CONFIG(xcb)
    // Qt's own request would carry this process's last event time, which a
    // window manager preventing focus stealing answers with a flash only.
    if (userTime != 0 && RequestActivationX11(window, userTime, asker))
        return;
#else
    Q_UNUSED(userTime);
    Q_UNUSED(asker);
#endif
    window->activateWindow();
}

}  // namespace pelto

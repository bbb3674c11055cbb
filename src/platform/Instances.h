#pragma once
// The registry of running copies. Each copy serves a local socket named after
// its process id in $XDG_RUNTIME_DIR/pelto (a folder only its user may enter)
// and remembers when its main window was last active. Another copy can ask it
// for its title and that time, or ask it to come forward.

#include <QList>
#include <QString>

class QWidget;

namespace pelto {

struct RunningCopy {
    qint64 Pid = 0;
    qint64 LastActive = 0;   // milliseconds since the epoch
    QString Title;
    QString SocketPath;
    bool IsSelf = false;
};

// The folder of the sockets; created with mode 0700 when missing. Empty when it
// cannot be made private (it exists but belongs to someone else, say).
QString InstanceFolder();

// Serves this process for `window` (a later call moves it to another window).
// False when the socket cannot be set up; the copy then simply cannot be
// reached, which harms nothing else.
bool StartInstanceServer(QWidget* window);

// Every copy that answers within `timeoutMs` (all are asked at once), this one
// first, then the others by last activation, most recent first. Sockets nobody
// listens on any more are removed.
QList<RunningCopy> ListRunningCopies(int timeoutMs = 300);

// Asks `copy` to restore its window if minimised, raise and activate it, on
// behalf of the user's last key press or click here.  True when the copy
// answered.
bool ActivateCopy(const RunningCopy& copy, int timeoutMs = 300);

// What a copy does when asked to come forward; `userTime` is the window
// system's time of the user's input that asked (0: unknown), `asker` the X11
// window that had the focus then.
void BringWindowForward(QWidget* window, quint32 userTime = 0, quint32 asker = 0);

}  // namespace pelto

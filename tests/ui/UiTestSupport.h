// What the main-window tests share: a temporary folder that stands for the
// program's folder (settings file and test documents live there), the driver
// that answers modal windows and keeps their messages, the lines of a list,
// and a main() with a private runtime folder.

#pragma once

#include "app/Dialgdsp.h"
#include "platform/Application.h"
#include "settings/ExePaths.h"
#include "settings/IniFile.h"

#include <QApplication>
#include <QByteArray>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <QtTest>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace uitest {

// The program's folder during a test: it holds pelto.INI and the documents.
// Mixed into a test object next to QObject; its test slots call these.
class ProgramFolder {
protected:
    QTemporaryDir folder_;

    // From initTestCase: the settings file is looked for beside "pelto" here.
    void UseAsProgramFolder()
    {
        QVERIFY(folder_.isValid());
        pelto::SetExecutablePathForTesting(folder_.filePath(QStringLiteral("pelto")).toStdString());
    }

    static void StopUsingProgramFolder() { pelto::SetExecutablePathForTesting({}); }

    QString IniPath() const { return folder_.filePath(QStringLiteral("pelto.INI")); }

    void WriteIni(const QByteArray& content)
    {
        QFile file(IniPath());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }

    std::string Read(const char* section, const char* key, const char* def = "<missing>") const
    {
        return pelto::IniFile(IniPath().toStdString()).ReadString(section, key, def);
    }

    bool HasKey(const char* section, const char* key) const
    {
        std::string value;
        return pelto::IniFile(IniPath().toStdString()).Load().Find(section, key, value);
    }

    // Writes `bytes` as the file `name` in the folder; its path.
    QString WriteFile(const QString& name, const QByteArray& bytes)
    {
        const QString path = folder_.filePath(name);
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(bytes);
        return path;
    }

    // A CP932 document of `lines` short lines "あい line N", each fitting one row.
    QString MakeDocument(const QString& name, int lines)
    {
        QByteArray bytes;
        for (int line = 1; line <= lines; ++line)
            bytes += "\x82\xa0\x82\xa2 line " + QByteArray::number(line) + "\r\n";
        return WriteFile(name, bytes);
    }
};

// How a ModalDriver goes about its work.
struct ModalRules {
    int everyMs = 15;           // how often it looks for a modal window
    int patience = 20;          // looks a handled window may stay open before it is rejected
    bool queueSteps = false;    // run a step from the event loop, so it may open a further modal window
    bool forgetWhenNone = false;  // a window that comes back after none was open counts as new
    std::function<bool(QWidget*)> closesItself;  // windows left alone when no step is left
};

// Acts on the modal windows that appear while it lives, one step per new
// window in order. A window beyond the steps, or one a step left open, is
// rejected, so a failed check never leaves a test waiting. A test records
// what it wants to know of each window by overriding Note. Forced() counts the
// windows a step left open: a step that should close its window checks it is 0.
class ModalDriver : public QObject {
public:
    using Step = std::function<void(QWidget*)>;

    explicit ModalDriver(std::vector<Step> steps = {}, ModalRules rules = {})
        : steps_(std::move(steps)), rules_(std::move(rules))
    {
        connect(&timer_, &QTimer::timeout, this, &ModalDriver::Tick);
        timer_.start(rules_.everyMs);
    }

    // How many windows it has met.
    int Seen() const { return seen_; }
    // How many windows it had to reject because a step left them open.
    int Forced() const { return forced_; }

    QStringList titles;   // window titles in the order the windows appeared

    static void Reject(QWidget* widget)
    {
        if (auto* dialog = qobject_cast<QDialog*>(widget))
            dialog->reject();
        else
            widget->close();
    }

protected:
    virtual void Note(QWidget*) {}

private:
    void Tick()
    {
        QWidget* widget = QApplication::activeModalWidget();
        if (!widget) {
            if (rules_.forgetWhenNone)
                last_ = nullptr;
            return;
        }
        if (widget == last_) {
            if (++waited_ > rules_.patience) {
                ++forced_;
                Reject(widget);
            }
            return;
        }
        last_ = widget;
        waited_ = 0;
        ++seen_;
        titles << widget->windowTitle();
        Note(widget);
        Step step;
        if (next_ < steps_.size())
            step = steps_[next_++];
        else if (rules_.closesItself && rules_.closesItself(widget))
            return;
        else
            step = &ModalDriver::Reject;
        if (!rules_.queueSteps) {
            step(widget);
            return;
        }
        QPointer<QWidget> target(widget);
        QTimer::singleShot(0, this, [step, target] {
            if (target)
                step(target);
        });
    }

    std::vector<Step> steps_;
    ModalRules rules_;
    size_t next_ = 0;
    QTimer timer_;
    QPointer<QWidget> last_;
    int waited_ = 0;
    int seen_ = 0;
    int forced_ = 0;
};

// A ModalDriver that keeps what each window said: a message box's text, a
// notice's label, "" for any other window.
class MessageModals : public ModalDriver {
public:
    explicit MessageModals(std::vector<Step> steps = {}) : ModalDriver(std::move(steps)) {}

    QStringList texts;   // one entry per window, in the order they appeared

protected:
    void Note(QWidget* window) override
    {
        if (auto* box = qobject_cast<QMessageBox*>(window))
            texts << box->text();
        else if (auto* notice = qobject_cast<TForm17*>(window))
            texts << notice->Label1->text();
        else
            texts << QString();
    }
};

// The texts of a list's lines, top to bottom.
inline QStringList Lines(const QListWidget* list)
{
    QStringList lines;
    for (int row = 0; row < list->count(); ++row)
        lines << list->item(row)->text();
    return lines;
}

// main() of a test object that opens main windows: a private runtime folder,
// so no test meets a running copy's socket, and the program's application.
template <class Test>
int RunWithPrivateRuntime(int argc, char** argv)
{
    QTemporaryDir runtime;
    if (!runtime.isValid())
        return 1;
    QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    pelto::Application application(argc, argv);
    Test test;
    return QTest::qExec(&test, argc, argv);
}

}  // namespace uitest

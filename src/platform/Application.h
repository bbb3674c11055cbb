#pragma once
// The application object. An unexpected error thrown from an event handler stops
// only the command that raised it: it is shown in an error box and the program
// goes on running.

#include <QApplication>
#include <QString>

namespace pelto {

class Application : public QApplication {
    Q_OBJECT
public:
    Application(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // The error box itself; public so that code catching an error outside the
    // event dispatch can report it the same way.
    static void ShowErrorBox(const QString& message);
};

}  // namespace pelto

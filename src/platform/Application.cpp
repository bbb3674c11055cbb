#include "Application.h"

#include <QMessageBox>
#include <QWidget>
#include <exception>

namespace pelto {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

bool Application::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ShowErrorBox(QString::fromUtf8(error.what()));
    } catch (...) {
        ShowErrorBox(QStringLiteral("予期しないエラーが発生しました。"));
    }
    return false;
}

void Application::ShowErrorBox(const QString& message)
{
    // The parent keeps the box above the window the user was working in.
    QMessageBox::critical(QApplication::activeWindow(), QStringLiteral("エラー"), message);
}

}  // namespace pelto

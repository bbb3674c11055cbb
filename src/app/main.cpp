#include "Main.h"
#include "platform/Application.h"

#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <exception>

int main(int argc, char** argv)
{
    pelto::Application application(argc, argv);
    application.setWindowIcon(QIcon(QStringLiteral(":/pelto.png")));
    // Matches the desktop entry, so a taskbar groups the windows under its icon.
    application.setDesktopFileName(QStringLiteral("pelto"));

    // Qt's own dialogs (file, font, colour) speak Japanese like the rest.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        application.installTranslator(&qtTranslator);

    QStringList arguments = application.arguments();
    arguments.removeFirst();

    // Errors inside event handlers reach Application::notify; this one covers
    // the start-up sequence, which runs before the event loop.
    TForm1* form = nullptr;
    try {
        form = new TForm1(arguments);
    } catch (const std::exception& error) {
        pelto::Application::ShowErrorBox(QString::fromUtf8(error.what()));
        return 1;
    }
    form->show();
    const int status = application.exec();
    delete form;
    return status;
}

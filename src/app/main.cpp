#include "Main.h"
#include "app/Preload.h"
#include "platform/Application.h"

#include <QFile>
#include <QFileInfo>

#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstring>
#include <exception>

int main(int argc, char** argv)
{
    // A document to open is read while the toolkit starts.  Options for the
    // toolkit itself ("-platform ...") are left to it.
    if (argc >= 2 && argv[1][0] != '-' && std::strcmp(argv[1], "/I") != 0 && std::strcmp(argv[1], "/i") != 0)
        pelto::StartPreload(QFile::encodeName(QFileInfo(QFile::decodeName(argv[1])).absoluteFilePath()).toStdString());
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

#include "Main.h"
#include "platform/Application.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char** argv)
{
    pelto::Application application(argc, argv);

    // Qt's own dialogs (file, font, colour) speak Japanese like the rest.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        application.installTranslator(&qtTranslator);

    QStringList arguments = application.arguments();
    arguments.removeFirst();

    auto* form = new TForm1(arguments);
    form->show();
    const int status = application.exec();
    delete form;
    return status;
}

#include "Help.h"

#include "Dialogs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeySequence>
#include <QPointer>
#include <QShortcut>
#include <QTextBrowser>

namespace pelto {

namespace {
QPointer<QTextBrowser> g_helpWindow;
}

QTextBrowser* HelpWindow()
{
    return g_helpWindow.data();
}

QString InstalledHelpFile(const QString& besideExecutable)
{
    // Installed under a prefix (as a package in /usr), the guide is shared
    // data, kept in share/pelto rather than in the programs' folder.
    const QFileInfo beside(besideExecutable);
    return QDir::cleanPath(beside.absolutePath() + QStringLiteral("/../share/pelto/") + beside.fileName());
}

bool ShowHelpFile(QWidget* parent, const QString& besideExecutable)
{
    QString helpFilePath = besideExecutable;
    if (!QFileInfo::exists(helpFilePath) && QFileInfo::exists(InstalledHelpFile(besideExecutable)))
        helpFilePath = InstalledHelpFile(besideExecutable);
    QFile file(helpFilePath);
    if (!file.open(QIODevice::ReadOnly)) {
        ShowAbortWarning(parent, QStringLiteral("   ヘルプファイル %1 が見つかりません。          ")
                                     .arg(QFileInfo(helpFilePath).absoluteFilePath()));
        return false;
    }
    const QString html = QString::fromUtf8(file.readAll());

    if (!g_helpWindow) {
        // A window of its own beside the main window, owned by it so that it
        // closes with the program instead of keeping it alive.
        g_helpWindow = new QTextBrowser(parent);
        g_helpWindow->setWindowFlag(Qt::Window);
        g_helpWindow->setAttribute(Qt::WA_DeleteOnClose);
        g_helpWindow->setWindowTitle(QStringLiteral("Pelto (ﾍﾙﾌﾟ)"));
        g_helpWindow->setOpenExternalLinks(false);
        g_helpWindow->resize(620, 480);
        // Closes like the program's other windows.
        auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), g_helpWindow);
        QObject::connect(escape, &QShortcut::activated, g_helpWindow.data(), &QWidget::close);
    }
    // Relative links and pictures in the guide resolve against its folder.
    g_helpWindow->setSearchPaths({QFileInfo(helpFilePath).absolutePath()});
    g_helpWindow->setHtml(html);
    g_helpWindow->show();
    g_helpWindow->raise();
    g_helpWindow->activateWindow();
    return true;
}

}  // namespace pelto

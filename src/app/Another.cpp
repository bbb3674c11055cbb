// Switching between running copies and to the desktop's file manager.
#include "app/Main.h"

#include "app/AnotherForm.h"
#include "app/Dialgdsp.h"
#include "app/MainShared.h"
#include "platform/FileManager.h"
#include "platform/Instances.h"
#include "platform/ListWindow.h"
#include "view/BigView.h"

#include <QDir>
#include <QFileInfo>
#include <QListWidget>

using namespace mainwin;

void TForm1::StartCopyRegistry()
{
    // A copy that cannot be reached still works on its own.
    pelto::StartInstanceServer(this);
}

void TForm1::FocusMoveToApliMinimized()
{
    // Minimising has already passed the focus to the window beneath it.  The
    // file manager is only asked by F4: asked here it would open a window of
    // its own at every iconize.
}

void TForm1::FocusMoveToAnother()
{
    const QList<pelto::RunningCopy> copies = pelto::ListRunningCopies();
    // The most recently active other copy; alone, nothing happens.
    for (const pelto::RunningCopy& copy : copies) {
        if (!copy.IsSelf) {
            pelto::ActivateCopy(copy);
            return;
        }
    }
}

void TForm1::FocusSelectAnother()
{
    const QList<pelto::RunningCopy> copies = pelto::ListRunningCopies();
    SelectedTitle.clear();
    auto* window = new TForm18(copies, this);
    pelto::ApplyListFont(window->ListBox1, BigView1->ViewFont());
    pelto::CentreOnScreen(window);
    window->exec();
    SelectedTitle = window->SelectedTitle;
    const int chosen = window->SelectedIndex;
    delete window;
    if (SelectedTitle.isEmpty() || chosen < 0 || chosen >= copies.size())
        return;
    // By identity: the copy behind the chosen line, whatever its title.
    pelto::ActivateCopy(copies[chosen]);
}

void TForm1::FocusMoveToApli()
{
    const QString document = QString::fromStdString(CurrentFileName);
    if (!document.isEmpty() && QFileInfo::exists(document))
        pelto::ShowInFileManager(document, QString());
    else
        pelto::ShowInFileManager(QString(), QDir::currentPath());
}

// The launcher.
#include "app/Main.h"

#include "app/Dialgdsp.h"
#include "app/MainShared.h"
#include "launcher/Apliexe.h"
#include "launcher/Apliset.h"
#include "launcher/Launcher.h"
#include "platform/Dialogs.h"
#include "platform/Launch.h"
#include "view/BigView.h"

#include <QStringList>

using namespace mainwin;

namespace {

pelto::LauncherEntry EntryOf(const TForm1& form, int slot)
{
    return {form.ProgTitle[slot], form.ProgName[slot], form.ProgOption[slot], form.ProgDir[slot],
            form.ProgShortCut[slot]};
}

pelto::LauncherSlots SlotsOf(const TForm1& form)
{
    pelto::LauncherSlots entries{};
    for (int slot = 1; slot <= pelto::kLauncherCount; ++slot)
        entries[slot - 1] = EntryOf(form, slot);
    return entries;
}

void StoreSlots(TForm1& form, const pelto::LauncherSlots& entries)
{
    for (int slot = 1; slot <= pelto::kLauncherCount; ++slot) {
        const pelto::LauncherEntry& entry = entries[slot - 1];
        form.ProgTitle[slot] = entry.Title;
        form.ProgName[slot] = entry.Program;
        form.ProgOption[slot] = entry.Option;
        form.ProgDir[slot] = entry.Folder;
        form.ProgShortCut[slot] = entry.ShortCut;
    }
    form.LauncherSlotsRead = true;
}

}  // namespace

void TForm1::ReadLauncherArrays()
{
    StoreSlots(*this, pelto::ReadLauncherSlots(pelto::SettingsIniFile()));
}

void TForm1::MenuLaunchClick()
{
    ReadLauncherArrays();
    auto* dialog = new TForm11(SlotsOf(*this), this);
    pelto::CentreOnScreen(dialog);
    if (dialog->exec() == QDialog::Accepted)
        StoreSlots(*this, dialog->Slots());
    delete dialog;
}

void TForm1::MenuLaunchExeClick()
{
    if (CurrentFileName.empty())
        return;
    ReadLauncherArrays();
    auto* dialog = new TForm13(SlotsOf(*this), this);
    LaunchChoice = -1;
    pelto::CentreOnScreen(dialog);
    dialog->exec();
    LaunchChoice = dialog->LaunchChoice;
    delete dialog;
    if (LaunchChoice >= 1 && LaunchChoice <= pelto::kLauncherCount)
        RunLauncherSlot(LaunchChoice, true);
}

void TForm1::ProgramExecute()
{
    if (CurrentFileName.empty() || LaunchChoice < 1 || LaunchChoice > pelto::kLauncherCount)
        return;
    // Until a launcher dialog reads them all, slot 1 is what start-up read.
    if (!LauncherSlotsRead && LaunchChoice == 1) {
        ProgTitle[1] = Mirror.ProgTitle1;
        ProgName[1] = Mirror.ProgName1;
        ProgOption[1] = Mirror.ProgOption1;
        ProgDir[1] = Mirror.ProgDir1;
        ProgShortCut[1] = Mirror.ProgShortCut1;
    }
    if (ProgName[LaunchChoice].empty())
        return;
    RunLauncherSlot(LaunchChoice, false);
}

void TForm1::RunLauncherSlot(int slot, bool oneBased)
{
    const int topLine = std::max(BigView1->LineOfRow(BigView1->TopRow()), 0);
    const pelto::PlaceholderValues values = pelto::MakePlaceholderValues(CurrentFileName, topLine, oneBased);
    const pelto::LaunchCommand command = pelto::MakeLaunchCommand(EntryOf(*this, slot), values);

    QStringList arguments;
    for (const std::string& argument : command.Arguments)
        arguments << QString::fromStdString(argument);
    const QString program = QString::fromStdString(command.Program);
    if (!pelto::StartProgram(program, arguments, QString::fromStdString(command.Folder))) {
        pelto::ShowAbortWarning(this, QStringLiteral("    ") + program
                                          + QStringLiteral(" の実行に失敗しました。          "));
        return;
    }
    // The program has taken over the document: the viewer steps aside.
    close();
}

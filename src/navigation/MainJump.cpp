// Line jump, current-line information, wrap switching.
#include "app/Main.h"

#include "app/Dialgdsp.h"
#include "app/MainShared.h"
#include "navigation/History.h"
#include "navigation/Jump.h"
#include "navigation/JumpRule.h"
#include "navigation/Linenum.h"
#include "navigation/Wrapchg.h"
#include "platform/Dialogs.h"
#include "settings/IniFile.h"
#include "text/NumberField.h"
#include "view/BigView.h"
#include "view/BvStrings.h"

#include <QFile>

#include <algorithm>
#include <exception>
#include <memory>
#include <optional>
#include <string>

using namespace mainwin;

void TForm1::MenuJumpClick()
{
    JumpText.clear();
    auto* dialog = new TForm5(Mirror.JumpHistory, pelto::StrToIntDef(Mirror.EditJumpResum, pelto::kJumpHistoryCount),
                              this);
    pelto::CentreOnScreen(dialog);
    dialog->exec();
    delete dialog;

    if (!JumpText.empty()) {
        const pelto::JumpResult result = pelto::JumpFromText(JumpText, BigView1->Rows());
        if (result.Outcome != pelto::JumpOutcome::Jump) {
            pelto::ShowNotice(this, QString::fromUtf8(pelto::kLineOutOfRangeMessage));
            // A minus sign stops at once; the history is not even written.
            if (result.Outcome == pelto::JumpOutcome::MinusSign)
                return;
        } else {
            BigView1->SetTopRow(result.TopRow);
            // Repeats are kept: the same number twice stands twice at the head.
            pelto::ShiftHistory(Mirror.JumpHistory);
        }
    }
    WriteJumpHistory();
}

void TForm1::WriteJumpHistory()
{
    std::vector<std::string> errors;
    try {
        pelto::IniFile file = pelto::SettingsIniFile();
        file.WriteList(pelto::kSectionJumpLineNum,
                       std::vector<std::string>(Mirror.JumpHistory.begin() + 1, Mirror.JumpHistory.end()));
    } catch (const std::exception& error) {
        errors.push_back(error.what());
    }
    ReportSettingsErrors(errors, true);
}

void TForm1::MenuLineNumDispClick()
{
    auto* window = new TForm7(this);
    const int topRow = BigView1->TopRow();
    window->ShowValues(topRow, BigView1->LineOfRow(topRow), BigView1->RowCount(), BigView1->LineCount());
    pelto::CentreOnScreen(window);
    window->exec();
    delete window;
}

void TForm1::MenuWrapChangeClick()
{
    std::optional<std::string> path;
    if (!CurrentFileName.empty())
        path = QFile::encodeName(QString::fromStdString(CurrentFileName)).toStdString();
    if (SwitchWrapping(this, *BigView1, Mirror, WrapChoice, path))
        RebuildTitle();
}

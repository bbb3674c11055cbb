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

using namespace mainwin;

namespace {

const QString kWrapReloadFailed = QStringLiteral("   指定されたファイルがオープンできませんでした。          ");

}  // namespace

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
    const int topLine = BigView1->LineOfRow(BigView1->TopRow());
    // WrapByte 0 is set only here: wrapping at the window width.
    const bool wrapsByOptions = BigView1->WrapByte() != 0;

    WrapChoice = -1;
    auto* dialog = new TForm19(WrapChoice, wrapsByOptions, this);
    pelto::CentreOnScreen(dialog);
    dialog->exec();
    delete dialog;

    const bool toWindowWidth = wrapsByOptions && WrapChoice == 1;
    const bool toOptions = !wrapsByOptions && WrapChoice == 0;
    if (toWindowWidth || toOptions) {
        // The file is read again into a store of its own first: if it cannot
        // be read now, the document stays on screen as it was laid out.
        std::unique_ptr<pelto::TBvStrings> lines;
        if (!CurrentFileName.empty()) {
            lines = std::make_unique<pelto::TBvStrings>();
            try {
                lines->LoadFromFile(QFile::encodeName(QString::fromStdString(CurrentFileName)).toStdString());
            } catch (const std::exception&) {
                pelto::ShowAbortWarning(this, kWrapReloadFailed);
                return;
            }
        }
        // Emptied first so that the new wrapping lays out nothing twice.
        BigView1->Clear();
        if (toWindowWidth) {
            BigView1->SetWordWrap(true);
            BigView1->SetWrapByte(0);
        } else {
            BigView1->SetWordWrap(Mirror.CheckWrapChar);
            BigView1->SetWrapByte(std::clamp(pelto::StrToIntDef(Mirror.EditWrapChar, 80), 2, 255));
        }
        BigView1->AdoptLines(std::move(lines));
        RebuildTitle();
    }
    // Back to the first row of the logical line that was at the top.
    if (topLine >= 0)
        BigView1->SetTopRow(BigView1->RowOfLine(topLine));
}

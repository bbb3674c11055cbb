// The key command map of the main window and the view.
#include "app/Main.h"

#include "app/Dialgdsp.h"
#include "app/Keyfunc1.h"
#include "app/Keyfunc2.h"
#include "app/MainShared.h"
#include "view/BigView.h"

#include <QKeyEvent>
#include <QTimer>

using namespace mainwin;

namespace {

bool IsNavigationKey(int key)
{
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        return true;
    default:
        return false;
    }
}

}  // namespace

// One key press checked against the rows of the key tables. A row's command
// runs and the key counts as used; the rows that only turn the caret off leave
// the key to the view, which moves the display on it.
struct TForm1::KeyRows {
    TForm1& form;
    int key;
    ModifierSet held;

    bool Ctrl() const { return held == ModifierSet::Ctrl; }
    bool ShiftOrPlain() const { return held == ModifierSet::Shift || held == ModifierSet::Plain; }
    bool NotAlt() const { return held != ModifierSet::Alt; }

    using Command = void (TForm1::*)();

    void Invoke(Command command) const
    {
        if (form.KeyCommandForTesting)
            form.KeyCommandForTesting(command);
        else
            (form.*command)();
    }
    bool Run(Command command) const
    {
        Invoke(command);
        return true;
    }
    bool WithDocument(Command command) const
    {
        if (!form.CurrentFileName.empty())
            Invoke(command);
        return true;
    }
    // Repeat searches need a document and a first search.
    bool AfterSearch(Command command) const
    {
        if (!form.CurrentFileName.empty() && form.FindDone)
            Invoke(command);
        return true;
    }
    bool ToggleMaximized() const
    {
        pelto::ToggleMaximized(&form);
        return true;
    }
    bool CaretOffAndMove() const
    {
        form.CaretOff();
        return false;
    }

    // J, W, F, N, P and I: the same in both modes.
    bool Letter() const
    {
        switch (key) {
        case Qt::Key_J:
            return NotAlt() && WithDocument(&TForm1::MenuJumpClick);
        case Qt::Key_W:
            return held == ModifierSet::Plain && WithDocument(&TForm1::MenuWrapChangeClick);
        case Qt::Key_F:
            return NotAlt() && WithDocument(&TForm1::MenuFindClick);
        case Qt::Key_N:
            return NotAlt() && AfterSearch(&TForm1::MenuReFindClick);
        case Qt::Key_P:
            return NotAlt() && AfterSearch(&TForm1::MenuReFindPriorClick);
        case Qt::Key_I:
            return ShiftOrPlain() && WithDocument(&TForm1::MenuLineNumDispClick);
        default:
            return false;
        }
    }

    bool Normal() const
    {
        if (IsNavigationKey(key))
            return CaretOffAndMove();
        switch (key) {
        case Qt::Key_Escape:
        case Qt::Key_Backspace:
            form.ExitRequest(true);
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (Ctrl())
                return WithDocument(&TForm1::MenuLaunchExeClick);
            if (held == ModifierSet::Shift) {
                // Launcher slot 1 directly.
                if (!form.CurrentFileName.empty()) {
                    form.LaunchChoice = 1;
                    Invoke(&TForm1::ProgramExecute);
                }
                return true;
            }
            form.ExitRequest(false);
            return true;
        case Qt::Key_BracketLeft:
            return Ctrl() && ToggleMaximized();
        case Qt::Key_J:
        case Qt::Key_W:
        case Qt::Key_F:
        case Qt::Key_N:
        case Qt::Key_P:
        case Qt::Key_I:
            return Letter();
        case Qt::Key_O:
            return NotAlt() && Run(&TForm1::MenuFileOpenClick);
        case Qt::Key_Q:
            if (!ShiftOrPlain())
                return false;
            form.ExitRequest(false);
            return true;
        case Qt::Key_S:
            if (Ctrl())
                return CaretOffAndMove();
            return ShiftOrPlain() && WithDocument(&TForm1::MenuAllTitleGetClick);
        case Qt::Key_D:
            if (Ctrl())
                return CaretOffAndMove();
            return ShiftOrPlain() && WithDocument(&TForm1::MenuNewTitleGetClick);
        case Qt::Key_A:
            return ShiftOrPlain() && WithDocument(&TForm1::MenuTitleDispClick);
        case Qt::Key_Z:
            return ShiftOrPlain() && Run(&TForm1::MenuTreeDispClick);
        case Qt::Key_X:
            if (Ctrl())
                return CaretOffAndMove();
            return ShiftOrPlain() && Run(&TForm1::MenuTreeGetClick);
        case Qt::Key_E:
            return Ctrl() && CaretOffAndMove();
        case Qt::Key_T:
            return ShiftOrPlain() && CaretOffAndMove();
        case Qt::Key_B:
            if (Ctrl())
                return Run(&TForm1::MenuSelectStartClick);
            return ShiftOrPlain() && CaretOffAndMove();
        case Qt::Key_C:
        case Qt::Key_Insert:
            return Ctrl() && Run(&TForm1::MenuSelectEndClick);
        // The file-list keys go by the character they produce, so "=", "+"
        // and "*" work whichever key of the layout makes them.
        case Qt::Key_Minus:
            return ShiftOrPlain() && Run(&TForm1::MenuFileMinusClick);
        case Qt::Key_Equal:   // without a document it captures the current folder
            return ShiftOrPlain() && Run(&TForm1::MenuFileGetClick);
        case Qt::Key_Plus:
            return ShiftOrPlain() && Run(&TForm1::MenuFilePlusClick);
        case Qt::Key_Asterisk:
            return ShiftOrPlain() && Run(&TForm1::MenuFileDispClick);
        case Qt::Key_G:
            if (Ctrl())
                return Run(&TForm1::MenuGrepAllClick);
            return ShiftOrPlain() && WithDocument(&TForm1::MenuHitListClick);
        case Qt::Key_R:
            if (Ctrl())
                return WithDocument(&TForm1::MenuResumMemClick);
            return held == ModifierSet::Plain && WithDocument(&TForm1::MenuResumJumpClick);
        case Qt::Key_Y:
            if (Ctrl())
                return WithDocument(&TForm1::MenuShioriMemClick);
            return held == ModifierSet::Plain && WithDocument(&TForm1::MenuShioriDispClick);
        case Qt::Key_F1:
            return ShiftOrPlain() && Run(&TForm1::MenuKeyFuncClick);
        case Qt::Key_F2:
            return ShiftOrPlain() && Run(&TForm1::FocusMoveToAnother);
        case Qt::Key_F3:
            return ShiftOrPlain() && Run(&TForm1::FocusSelectAnother);
        case Qt::Key_F4:
            return ShiftOrPlain() && Run(&TForm1::FocusMoveToApli);
        default:
            return false;
        }
    }

    // While a range is being selected only these keys act; the exit keys,
    // Enter and the other commands wait until the selection ends.
    bool Selection() const
    {
        if (IsNavigationKey(key))
            return CaretOffAndMove();
        switch (key) {
        case Qt::Key_Escape:
            return Run(&TForm1::SelectCancel);
        case Qt::Key_BracketLeft:
            return Ctrl() && ToggleMaximized();
        case Qt::Key_S:
        case Qt::Key_D:
        case Qt::Key_X:
        case Qt::Key_E:
            return Ctrl() && CaretOffAndMove();
        case Qt::Key_T:
        case Qt::Key_B:
            return ShiftOrPlain() && CaretOffAndMove();
        case Qt::Key_C:
        case Qt::Key_Insert:
            return Ctrl() && Run(&TForm1::MenuSelectEndClick);
        case Qt::Key_F1:
            return ShiftOrPlain() && Run(&TForm1::MenuKeyFuncClick);
        default:
            return Letter();
        }
    }
};

bool TForm1::FormKeyDown(QKeyEvent* event)
{
    const KeyRows rows{*this, event->key(), ModifiersOf(event)};
    return Selecting ? rows.Selection() : rows.Normal();
}

void TForm1::keyPressEvent(QKeyEvent* event)
{
    // Keys pressed in the view were offered to FormKeyDown there already.
    if (focusWidget() != BigView1 && FormKeyDown(event)) {
        event->accept();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void TForm1::MenuKeyFuncClick()
{
    KeyListOn = true;
    while (KeyListOn) {
        if (KeyListPage != 2) {
            KeyListPage = 1;
            auto* page1 = new TKeyFunc1(KeyListOn, KeyListPage, this);
            page1->adjustSize();
            pelto::CentreOnScreen(page1);
            page1->exec();
            delete page1;
        }
        if (KeyListPage == 2 && KeyListOn) {
            auto* page2 = new TKeyFunc2(KeyListOn, KeyListPage, this);
            page2->adjustSize();
            pelto::CentreOnScreen(page2);
            page2->exec();
            delete page2;
        }
    }
    // Ready for the next F1.
    KeyListOn = true;
}

void TForm1::CaretOff()
{
    BigView1->SetCaret(false);
    HitShown = false;
    Timer1->stop();
}

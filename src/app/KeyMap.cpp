// The key command map of the main window and the view.
#include "app/Main.h"

#include "app/MainShared.h"
#include "platform/Dialogs.h"
#include "view/BigView.h"

#include <QKeyEvent>

using namespace mainwin;

bool TForm1::FormKeyDown(QKeyEvent* event)
{
    const ModifierSet held = ModifiersOf(event);
    const int key = event->key();

    if (key == Qt::Key_BracketLeft && held == ModifierSet::Ctrl) {
        ToggleMaximized();
        return true;
    }
    // While a range is being selected the exit keys do nothing.
    if (Selecting)
        return false;

    switch (key) {
    case Qt::Key_Escape:
    case Qt::Key_Backspace:
        ExitRequest(true);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (held == ModifierSet::Ctrl) {
            if (!CurrentFileName.empty())
                MenuLaunchExeClick();
            return true;
        }
        if (held == ModifierSet::Shift)
            return false;   // runs launcher slot 1, built with the launcher
        ExitRequest(false);
        return true;
    case Qt::Key_Q:
        if (held == ModifierSet::Plain || held == ModifierSet::Shift) {
            ExitRequest(false);
            return true;
        }
        return false;
    default:
        return false;
    }
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

void TForm1::MenuKeyFuncClick() {}

void TForm1::CaretOff()
{
    BigView1->SetCaret(false);
    HitShown = false;
    Timer1->stop();
}

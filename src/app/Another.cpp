// Switching between running copies.
#include "app/Main.h"

#include "app/MainShared.h"
#include "platform/Dialogs.h"
#include "view/BigView.h"


using namespace mainwin;

void TForm1::FocusMoveToApliMinimized()
{
    // Nothing to hand the focus to until instance switching exists.
}

void TForm1::FocusMoveToAnother() {}
void TForm1::FocusSelectAnother() {}
void TForm1::FocusMoveToApli() {}

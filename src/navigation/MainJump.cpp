// Line jump, current-line information, wrap switching.
#include "app/Main.h"

#include "app/MainShared.h"
#include "platform/Dialogs.h"
#include "view/BigView.h"


using namespace mainwin;

void TForm1::MenuJumpClick() {}

void TForm1::MenuLineNumDispClick() {}

void TForm1::MenuWrapChangeClick() {}

// The launcher.
#include "app/Main.h"

#include "app/MainShared.h"
#include "platform/Dialogs.h"
#include "view/BigView.h"


using namespace mainwin;

void TForm1::MenuLaunchExeClick() {}

void TForm1::MenuLaunchClick() {}
void TForm1::ProgramExecute() {}

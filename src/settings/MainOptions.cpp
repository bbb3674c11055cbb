// The options dialog, the font and the background colour.
#include "app/Main.h"

#include "app/MainShared.h"
#include "platform/Dialogs.h"
#include "view/BigView.h"


using namespace mainwin;

void TForm1::MenuOptionSetClick() {}

void TForm1::MenuFontClick() {}

void TForm1::MenuBackColorClick() {}

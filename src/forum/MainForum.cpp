// Post titles, the reply tree and its windows.
#include "app/Main.h"

#include "app/MainShared.h"
#include "platform/Dialogs.h"
#include "view/BigView.h"


using namespace mainwin;

void TForm1::MenuAllTitleGetClick() {}

void TForm1::MenuNewTitleGetClick() {}

void TForm1::MenuTitleDispClick() {}

void TForm1::MenuTreeGetClick() {}

void TForm1::MenuTreeDispClick() {}

// The file list and the excluded extensions.
#include "app/Main.h"

#include "app/MainShared.h"
#include "platform/Dialogs.h"
#include "view/BigView.h"


using namespace mainwin;

void TForm1::MenuFileGetClick() {}

void TForm1::MenuFileDispClick() {}

void TForm1::MenuFileMinusClick() {}

void TForm1::MenuFilePlusClick() {}

void TForm1::MenuExtSetClick() {}

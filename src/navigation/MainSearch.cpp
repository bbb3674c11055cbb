// Text search and range copy.
#include "app/Main.h"

#include "app/MainShared.h"
#include "platform/Dialogs.h"
#include "view/BigView.h"


using namespace mainwin;

void TForm1::MenuFindClick() {}

void TForm1::MenuReFindClick() {}

void TForm1::MenuReFindPriorClick() {}

void TForm1::MenuSelectStartClick() {}

void TForm1::MenuSelectEndClick() {}

void TForm1::Timer1Timer() {}

void TForm1::BigView1ViewLineChanged() {}
void TForm1::SelectCancel() {}

// Resume points and bookmarks.
#include "app/Main.h"

#include "app/MainShared.h"
#include "platform/Dialogs.h"
#include "view/BigView.h"


using namespace mainwin;

void TForm1::MenuResumMemClick() {}

void TForm1::MenuResumJumpClick() {}

void TForm1::MenuShioriMemClick() {}

void TForm1::MenuShioriDispClick() {}

#include "forum/Treeview.h"

#include <QKeyEvent>
#include <QVBoxLayout>

#include "app/Dialgdsp.h"
#include "app/Main.h"
#include "app/MainShared.h"
#include "navigation/Wrapchg.h"
#include "settings/ExePaths.h"
#include "view/BigView.h"

using pelto::TBigView;

TForm22::TForm22(TForm1& owner)
    : TPlacedDialog(QStringLiteral("Pelto (ﾂﾘｰ発言)"), owner.Mirror.Placement[pelto::kFormView], &owner),
      BigView1(new TBigView(this)),
      owner_(owner)
{
    setObjectName(QStringLiteral("Form22"));
    resize(620, 420);

    BigView1->setObjectName(QStringLiteral("BigView1"));
    BigView1->SetCaret(false);
    BigView1->SetSelect(false);
    BigView1->SetMaxChar(255);
    BigView1->SetPCanLimit(0);
    BigView1->SetScOver(true);
    BigView1->SetScrollBar(pelto::ssVertical);
    BigView1->setFocusPolicy(Qt::StrongFocus);
    BigView1->OnKeyDown = [this](QKeyEvent* event) { return FormKeyDown(event); };
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(BigView1);

    ConfigureView();
    BigView1->setFocus();
}

void TForm22::ConfigureView()
{
    ConfigureViewFromSettings(*BigView1, owner_.Mirror, palette());
}

void TForm22::showEvent(QShowEvent* event)
{
    TPlacedDialog::showEvent(event);
    BigView1->Redraw();
}

void TForm22::keyPressEvent(QKeyEvent* event)
{
    if (!FormKeyDown(event))
        TPlacedDialog::keyPressEvent(event);
}

bool TForm22::FormKeyDown(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Backspace:
    case Qt::Key_Q:
        reject();
        return true;
    case Qt::Key_W:
        if (mainwin::ModifiersOf(event) != mainwin::ModifierSet::Plain)
            return false;
        MenuWrapChangeClick();
        return true;
    default:
        break;
    }
    if (IsMaximizeKey(event)) {
        ToggleMaximized();
        return true;
    }
    return false;
}

void TForm22::MenuWrapChangeClick()
{
    owner_.TreeFileName = pelto::WorkFilePath(4);
    SwitchWrapping(this, *BigView1, owner_.Mirror, owner_.WrapChoice, owner_.TreeFileName);
}

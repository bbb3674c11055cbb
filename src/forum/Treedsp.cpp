#include "forum/Treedsp.h"

#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QPushButton>

#include "app/Main.h"
#include "forum/SideFile.h"
#include "forum/ThreadCut.h"
#include "platform/Application.h"
#include "settings/ExePaths.h"
#include "view/BigView.h"

TForm21::TForm21(TForm1& owner, std::vector<std::string> lines)
    : TListWindow(QStringLiteral("Pelto (ﾂﾘｰ表示)"), owner.Mirror.Placement[pelto::kFormTree], &owner),
      owner_(owner)
{
    setObjectName(QStringLiteral("Form21"));
    resize(620, 420);

    BtnJump = AddButton("ｼﾞｬﾝﾌﾟ(&J)", "BtnJump", QRect(270, 5, 100, 25));
    BtnDisp = AddButton("表示(&D)", "BtnDisp", QRect(380, 5, 100, 25));
    BtnCansel = AddButton("ｷｬﾝｾﾙ", "BtnCansel", QRect(490, 5, 100, 25));
    Label1 = new QLabel(QStringLiteral("    (Enter)"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(270, 30, 100, 18);
    Label2 = new QLabel(QStringLiteral(" (Shift+Enter)"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(380, 30, 100, 18);
    ListBox1->setGeometry(5, 50, 603, 340);
    connect(BtnJump, &QPushButton::clicked, this, &TForm21::BtnJumpClick);
    connect(BtnDisp, &QPushButton::clicked, this, &TForm21::BtnDispClick);
    connect(BtnCansel, &QPushButton::clicked, this, &TForm21::BtnCanselClick);
    setTabOrder(BtnJump, BtnDisp);
    setTabOrder(BtnDisp, BtnCansel);
    setTabOrder(BtnCansel, ListBox1);

    FormCreate(std::move(lines), owner.LastTreeIndex, owner.BigView1->ViewFont());
}

bool TForm21::ListBoxKeyDown(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        const Qt::KeyboardModifiers held = event->modifiers() & ~Qt::KeypadModifier;
        if (held == Qt::ShiftModifier)
            ChooseShow();
        else if (held != Qt::ControlModifier)
            ChooseJump(true);
        // Ctrl+Enter does nothing and the window stays.
        return true;
    }
    return TListWindow::ListBoxKeyDown(event);
}

void TForm21::ListBox1Click()
{
    ChooseJump(false);
}

void TForm21::BtnJumpClick()
{
    ChooseJump(true);
}

void TForm21::BtnDispClick()
{
    ChooseShow();
}

void TForm21::BtnCanselClick()
{
    reject();
}

// Enter and the jump button jump to line 1 from the first item (the file's
// own first line); a double click there closes without a choice.
void TForm21::ChooseJump(bool firstItemJumps)
{
    // Nothing selected (the remembered index lies beyond a shorter list):
    // no choice, the window stays.
    const int index = SelectedIndex();
    if (index < 0)
        return;
    if (index == 0 && !firstItemJumps) {
        owner_.ChosenTreeEntry.clear();
        accept();
        return;
    }
    owner_.TreeShowPosts = false;
    owner_.ChosenTreeEntry = Item(index);
    owner_.LastTreeIndex = index;
    accept();
}

void TForm21::ChooseShow()
{
    const int index = SelectedIndex();
    if (index < 0)
        return;
    // The first item names the document, not a post.
    if (index == 0) {
        owner_.ChosenTreeEntry.clear();
        accept();
        return;
    }
    if (!TitleCut())
        return;
    owner_.TreeShowPosts = true;
    owner_.ChosenTreeEntry = Item(index);
    owner_.LastTreeIndex = index;
    accept();
}

bool TForm21::TitleCut()
{
    const int index = SelectedIndex();
    if (ItemCount() == 0 || index < 0)
        return false;
    const std::optional<std::string> file04 =
        pelto::TitleCut(Items(), index, pelto::DocumentLines::Of(owner_.BigView1->Strings()), owner_.CurrentFileName);
    if (!file04)
        return false;
    owner_.TreeFileName = pelto::WorkFilePath(4);
    std::string error;
    if (!pelto::WriteSideFile(owner_.TreeFileName, *file04, error)) {
        pelto::Application::ShowErrorBox(QString::fromStdString(error));
        return false;
    }
    return true;
}

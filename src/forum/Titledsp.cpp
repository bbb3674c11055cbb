#include "forum/Titledsp.h"

#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QPushButton>

#include "app/Main.h"
#include "view/BigView.h"

TForm9::TForm9(TForm1& owner, std::vector<std::string> lines)
    : TListWindow(QStringLiteral("Pelto (ﾀｲﾄﾙ一覧)"), owner.Mirror.Placement[pelto::kFormTitle], &owner),
      owner_(owner)
{
    setObjectName(QStringLiteral("Form9"));
    resize(620, 420);

    Label1 = new QLabel(QStringLiteral("タイトル行にジャンプ(&T)"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(30, 9, 200, 18);
    Label1->setBuddy(ListBox1);
    ListBox1->setGeometry(5, 35, 600, 352);
    BtnJump = AddButton("実行(&O)", "BtnJump", QRect(395, 5, 100, 25));
    BtnCansel = AddButton("ｷｬﾝｾﾙ", "BtnCansel", QRect(505, 5, 100, 25));
    connect(BtnJump, &QPushButton::clicked, this, &TForm9::BtnJumpClick);
    connect(BtnCansel, &QPushButton::clicked, this, &TForm9::BtnCanselClick);
    setTabOrder(ListBox1, BtnJump);
    setTabOrder(BtnJump, BtnCansel);

    FormCreate(std::move(lines), owner.LastTitleIndex, owner.BigView1->ViewFont());
}

bool TForm9::ListBoxKeyDown(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        Choose();
        return true;
    }
    return TListWindow::ListBoxKeyDown(event);
}

void TForm9::ListBox1Click()
{
    Choose();
}

void TForm9::BtnJumpClick()
{
    Choose();
}

void TForm9::BtnCanselClick()
{
    reject();
}

void TForm9::Choose()
{
    // With nothing selected (the remembered index lies beyond a shorter
    // list) there is nothing to choose, and the window stays.
    const int index = SelectedIndex();
    if (index < 0)
        return;
    owner_.ChosenTitle = Item(index);
    owner_.LastTitleIndex = index;
    accept();
}

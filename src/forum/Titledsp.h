#pragma once
// The title list: the entries of the title file, to jump to a post from.

#include "forum/ForumLists.h"

class QLabel;
class QPushButton;
class TForm1;

class TForm9 : public pelto::TListWindow {
    Q_OBJECT
public:
    // Lists `lines` and opens on the main window's LastTitleIndex; a choice
    // goes to its ChosenTitle and LastTitleIndex.
    TForm9(TForm1& owner, std::vector<std::string> lines);

    QLabel* Label1;
    QPushButton* BtnJump;
    QPushButton* BtnCansel;

protected:
    bool ListBoxKeyDown(QKeyEvent* event) override;
    void ListBox1Click() override;

private:
    void BtnJumpClick();
    void BtnCanselClick();
    void Choose();

    TForm1& owner_;
};

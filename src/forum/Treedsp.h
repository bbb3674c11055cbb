#pragma once
// The tree list: the lines of the tree file, to jump to a post or to cut out
// its whole thread for the tree post viewer.

#include "forum/ForumLists.h"

class QLabel;
class QPushButton;
class TForm1;

class TForm21 : public pelto::TListWindow {
    Q_OBJECT
public:
    // Lists `lines` and opens on the main window's LastTreeIndex; a choice
    // goes to its ChosenTreeEntry, TreeShowPosts and LastTreeIndex.
    TForm21(TForm1& owner, std::vector<std::string> lines);

    QPushButton* BtnJump;
    QPushButton* BtnDisp;
    QPushButton* BtnCansel;
    QLabel* Label1;
    QLabel* Label2;

    // Writes the thread of the selected line into the 04 file; false (after
    // the error report) when it cannot be written.
    bool TitleCut();

protected:
    bool ListBoxKeyDown(QKeyEvent* event) override;
    void ListBox1Click() override;

private:
    void BtnJumpClick();
    void BtnDispClick();
    void BtnCanselClick();
    void ChooseJump(bool firstItemJumps);
    void ChooseShow();

    TForm1& owner_;
};

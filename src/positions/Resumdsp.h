#pragma once
// The resume list: every stored reading position, to jump to in this window,
// to swap into it, or to open in a new copy of the program.

#include <string>
#include <string_view>

#include "positions/PositionList.h"
#include "positions/ResumeTable.h"

class TForm20 : public pelto::PositionListWindow {
    Q_OBJECT
public:
    explicit TForm20(QWidget* parent = nullptr);

    // An empty first line, then the non-empty entries 1..`limit`. Selects the
    // line of `currentFileName`'s entry, else the empty line.
    void FillList(const pelto::ResumeTable& table, int limit, std::string_view currentFileName);

    // What the window hands back: the chosen entry (empty: none) and the
    // action, 0 line jump, 1 swap display, 2 new display.
    std::string Chosen;
    int ResumeAction = 0;

    QPushButton* BtnResum = nullptr;
    QPushButton* BtnChange = nullptr;
    QPushButton* BtnNewDsp = nullptr;
    QPushButton* BtnCansel = nullptr;

protected:
    bool ListKeyDown(QKeyEvent* event) override;

private:
    void Choose(int action);
};

#pragma once
// The file list window: the names of the captured list, to open one of them.

#include <string>
#include <vector>

#include "positions/PositionList.h"

class QLineEdit;

class TForm8 : public pelto::PositionListWindow {
    Q_OBJECT
public:
    explicit TForm8(QWidget* parent = nullptr);

    // The names in list order with line `selected` chosen (no selection when it
    // lies outside the list); an empty list shows one empty line, selected.
    void FillList(const std::string& folder, const std::vector<std::string>& names, int selected);

    QLineEdit* Edit1 = nullptr;
    QPushButton* BtnOk = nullptr;
    QPushButton* BtnCansel = nullptr;

    // What the window hands back: the chosen name (empty: none) and its line.
    std::string Chosen;
    int ChosenIndex = -1;

protected:
    bool ListKeyDown(QKeyEvent* event) override;

private:
    void BtnOkClick();
};

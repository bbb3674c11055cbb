#pragma once
// The bookmark list: the bookmarks of this run, to go to, sort or clear.

#include "positions/BookmarkTable.h"
#include "positions/PositionList.h"

class TForm6 : public pelto::PositionListWindow {
    Q_OBJECT
public:
    // Works on `table` (slots 1..9 shown up to `limit`; slot 0 receives the
    // chosen entry). Clearing writes the emptied table to `settingsPath`.
    TForm6(pelto::BookmarkTable& table, int limit, std::string settingsPath, QWidget* parent = nullptr);

    // The non-empty entries 1..limit, or one empty line; the first selected.
    void FillList();

    QPushButton* BtnRireki = nullptr;
    QPushButton* BtnCansel = nullptr;
    QPushButton* BtnSort = nullptr;
    QPushButton* BtnClear = nullptr;

protected:
    bool ListKeyDown(QKeyEvent* event) override;
    void EscapePressed() override;

private:
    void ChooseSelected();
    void BtnSortClick();
    void BtnClearClick();

    pelto::BookmarkTable& Table;
    int Limit;
    std::string SettingsPath;
};

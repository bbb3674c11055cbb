#include "positions/Shiori.h"

#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>

#include "settings/IniFile.h"
#include "platform/ListWindow.h"

TForm6::TForm6(pelto::BookmarkTable& table, int limit, std::string settingsPath, QWidget* parent)
    : PositionListWindow(parent, QStringLiteral("Form6"), QStringLiteral("Pelto (しおり一覧)"),
                         QStringLiteral("履歴表示(&O)"), 620, 300),
      Table(table),
      Limit(limit),
      SettingsPath(std::move(settingsPath))
{
    BtnRireki = AddButton(QStringLiteral("BtnRireki"), QStringLiteral("履歴実行(&H)"));
    BtnCansel = AddButton(QStringLiteral("BtnCansel"), QStringLiteral("ｷｬﾝｾﾙ"));
    BtnSort = AddButton(QStringLiteral("BtnSort"), QStringLiteral("ｿｰﾄ実行(&S)"));
    BtnClear = AddButton(QStringLiteral("BtnClear"), QStringLiteral("履歴ｸﾘｱ(&C)"));
    for (QPushButton* button : {BtnRireki, BtnCansel, BtnSort, BtnClear})
        WatchKeys(button);

    connect(BtnRireki, &QPushButton::clicked, this, &TForm6::ChooseSelected);
    connect(BtnCansel, &QPushButton::clicked, this, &TForm6::EscapePressed);
    connect(BtnSort, &QPushButton::clicked, this, &TForm6::BtnSortClick);
    connect(BtnClear, &QPushButton::clicked, this, &TForm6::BtnClearClick);
    pelto::ChooseOnDoubleClick(ListBox1, [this] { ChooseSelected(); });
    ListBox1->setFocus();
}

void TForm6::FillList()
{
    ListBox1->clear();
    for (int slot = 1; slot <= Limit && slot <= pelto::kBookmarkCount; ++slot) {
        if (!Table[slot].empty())
            AddEntryLine(Table[slot]);
    }
    if (ListBox1->count() == 0)
        AddEntryLine({});
    ListBox1->setCurrentRow(0);
}

bool TForm6::ListKeyDown(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter)
        return false;
    ChooseSelected();
    return true;
}

void TForm6::EscapePressed()
{
    Table[0].clear();
    reject();
}

void TForm6::ChooseSelected()
{
    Table[0] = EntryOfRow(ListBox1->currentRow());
    accept();
}

void TForm6::BtnSortClick()
{
    // All nine are sorted, also those beyond the offered number; the file
    // gets the new order with the next store or clear.
    pelto::SortBookmarks(Table);
    FillList();
    // Back to the list, so that Enter takes the first bookmark.
    ListBox1->setFocus();
}

void TForm6::BtnClearClick()
{
    pelto::ClearBookmarks(Table);
    FillList();
    ListBox1->setFocus();
    pelto::IniFile file(SettingsPath);
    pelto::WriteBookmarkTable(file, Table);
}

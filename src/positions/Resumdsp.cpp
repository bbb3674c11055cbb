#include "positions/Resumdsp.h"

#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>

#include "app/MainShared.h"

TForm20::TForm20(QWidget* parent)
    : PositionListWindow(parent, QStringLiteral("Form20"), QStringLiteral("Pelto (ﾚｼﾞｭｰﾑ一覧)"),
                         QStringLiteral("レジューム一覧(&O)"), 620, 420)
{
    BtnResum = AddButton(QStringLiteral("BtnResum"), QStringLiteral("行ｼﾞｬﾝﾌﾟ(&J)"), QStringLiteral("    (Enter)"));
    BtnChange = AddButton(QStringLiteral("BtnChange"), QStringLiteral("入替表示(&C)"),
                          QStringLiteral(" (Shift+Enter)"));
    BtnNewDsp = AddButton(QStringLiteral("BtnNewDsp"), QStringLiteral("新規表示(&N)"),
                          QStringLiteral("  (Ctrl+Enter)"));
    BtnCansel = AddButton(QStringLiteral("BtnCansel"), QStringLiteral("ｷｬﾝｾﾙ"));
    // The swap button alone leaves Escape, Backspace and Ctrl+"[" alone.
    WatchKeys(BtnResum);
    WatchKeys(BtnNewDsp);
    WatchKeys(BtnCansel);

    connect(BtnResum, &QPushButton::clicked, this, [this] { Choose(0); });
    connect(BtnChange, &QPushButton::clicked, this, [this] { Choose(1); });
    connect(BtnNewDsp, &QPushButton::clicked, this, [this] { Choose(2); });
    connect(BtnCansel, &QPushButton::clicked, this, &QDialog::reject);
    ListBox1->setFocus();
}

void TForm20::FillList(const pelto::ResumeTable& table, int limit, std::string_view currentFileName)
{
    ListBox1->clear();
    AddEntryLine({});
    const int match = pelto::FindResumeEntry(table, currentFileName);
    int selected = 0;
    for (int slot = 1; slot <= limit && slot <= pelto::kResumeSlots; ++slot) {
        if (table[slot].empty())
            continue;
        AddEntryLine(table[slot]);
        if (slot == match)
            selected = ListBox1->count() - 1;
    }
    ListBox1->setCurrentRow(selected);
}

bool TForm20::ListKeyDown(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter)
        return false;
    switch (mainwin::ModifiersOf(event)) {
    case mainwin::ModifierSet::Shift:
        Choose(1);
        break;
    case mainwin::ModifierSet::Ctrl:
        Choose(2);
        break;
    default:
        Choose(0);
        break;
    }
    return true;
}

void TForm20::Choose(int action)
{
    Chosen = EntryOfRow(ListBox1->currentRow());
    ResumeAction = action;
    accept();
}

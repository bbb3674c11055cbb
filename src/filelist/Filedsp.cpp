#include "filelist/Filedsp.h"

#include "platform/ListWindow.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

TForm8::TForm8(QWidget* parent)
    : PositionListWindow(parent, QStringLiteral("Form8"), QStringLiteral("Pelto (ﾌｧｲﾙ一覧)"),
                         QStringLiteral("ファイル名(&F)"), 499, 355)
{
    // The folder sits above the list; it widens with the window, only the list grows.
    auto* label = new QLabel(QStringLiteral("ディレクトリ名(&D)"), this);
    label->setObjectName(QStringLiteral("LabelDir"));
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setReadOnly(true);
    Edit1->setFocusPolicy(Qt::ClickFocus);
    label->setBuddy(Edit1);
    if (auto* column = qobject_cast<QVBoxLayout*>(layout())) {
        column->insertWidget(0, label);
        column->insertWidget(1, Edit1);
    }
    WatchKeys(Edit1);

    BtnOk = AddButton(QStringLiteral("BtnOk"), QStringLiteral("実行(&O)"));
    BtnCansel = AddButton(QStringLiteral("BtnCansel"), QStringLiteral("ｷｬﾝｾﾙ"));
    WatchKeys(BtnOk);
    WatchKeys(BtnCansel);
    connect(BtnOk, &QPushButton::clicked, this, &TForm8::BtnOkClick);
    connect(BtnCansel, &QPushButton::clicked, this, &QDialog::reject);
    pelto::ChooseOnDoubleClick(ListBox1, [this] { BtnOkClick(); });
    ListBox1->setFocus();
}

void TForm8::FillList(const std::string& folder, const std::vector<std::string>& names, int selected)
{
    ListBox1->clear();
    Edit1->setText(QString::fromStdString(folder));
    if (names.empty()) {
        AddEntryLine({});
        ListBox1->setCurrentRow(0);
        return;
    }
    for (const std::string& name : names)
        AddEntryLine(name);
    if (selected >= 0 && selected < ListBox1->count())
        ListBox1->setCurrentRow(selected);
    else
        ListBox1->setCurrentRow(-1);
}

bool TForm8::ListKeyDown(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter)
        return false;
    BtnOkClick();
    return true;
}

void TForm8::BtnOkClick()
{
    // Without a selection there is nothing to open.
    const int row = ListBox1->selectedItems().isEmpty() ? -1 : ListBox1->currentRow();
    Chosen = row < 0 ? std::string() : EntryOfRow(row);
    ChosenIndex = row;
    accept();
}

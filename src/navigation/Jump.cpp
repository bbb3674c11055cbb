#include "navigation/Jump.h"

#include "navigation/History.h"
#include "platform/Dialogs.h"
#include "platform/ListWindow.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace {

QPushButton* MakeButton(QWidget* parent, const char* caption, const char* name, QRect bounds)
{
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setObjectName(QString::fromUtf8(name));
    // Enter does only what the dialog says, never "the default button".
    button->setAutoDefault(false);
    button->setGeometry(bounds);
    return button;
}

bool IsEnter(const QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<const QKeyEvent*>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

}  // namespace

TForm5::TForm5(std::span<std::string> history, int shownSize, QWidget* parent)
    : QDialog(parent), history_(history), shownSize_(shownSize)
{
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("Pelto (ｼﾞｬﾝﾌﾟ)"));
    setFont(pelto::WindowFont());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    Label1 = new QLabel(QStringLiteral("行番号(&J)"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(16, 12, 120, 22);
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setMaxLength(9);   // a log of a gigabyte has tens of millions of lines
    Edit1->setGeometry(16, 36, 150, 28);
    Label1->setBuddy(Edit1);

    BtnJump = MakeButton(this, "実行(&O)", "BtnJump", QRect(184, 36, 130, 30));
    BtnCansel = MakeButton(this, "ｷｬﾝｾﾙ", "BtnCansel", QRect(184, 72, 130, 30));

    Label2 = new QLabel(QStringLiteral("履歴表示(&R)"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(16, 78, 150, 22);
    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setGeometry(16, 102, 150, 190);
    Label2->setBuddy(ListBox1);

    BtnRireki = MakeButton(this, "履歴実行(&H)", "BtnRireki", QRect(184, 140, 130, 30));
    BtnClear = MakeButton(this, "履歴ｸﾘｱ(&C)", "BtnClear", QRect(184, 176, 130, 30));

    setTabOrder(Edit1, BtnJump);
    setTabOrder(BtnJump, BtnCansel);
    setTabOrder(BtnCansel, ListBox1);
    setTabOrder(ListBox1, BtnRireki);
    setTabOrder(BtnRireki, BtnClear);

    connect(Edit1, &QLineEdit::returnPressed, this, &TForm5::BtnJumpClick);
    connect(BtnJump, &QPushButton::clicked, this, &TForm5::BtnJumpClick);
    connect(BtnCansel, &QPushButton::clicked, this, &TForm5::BtnCanselClick);
    connect(BtnRireki, &QPushButton::clicked, this, &TForm5::BtnRirekiClick);
    connect(BtnClear, &QPushButton::clicked, this, &TForm5::BtnClearClick);
    pelto::ChooseOnDoubleClick(ListBox1, [this] { BtnRirekiClick(); });
    ListBox1->installEventFilter(this);

    if (history_.size() > 1)
        Edit1->setText(QString::fromStdString(history_[1]));
    FillList();
    Edit1->setFocus();

    setFixedSize(330, 308);
}

bool TForm5::eventFilter(QObject* watched, QEvent* event)
{
    // The list would otherwise treat Enter as "activate", which some styles
    // do not report; here it takes the selected line.
    if (watched == ListBox1 && IsEnter(event)) {
        BtnRirekiClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TForm5::FillList()
{
    ListBox1->clear();
    for (const std::string& line : pelto::HistoryListLines(history_, shownSize_))
        ListBox1->addItem(QString::fromStdString(line));
    ListBox1->setCurrentRow(0);
}

void TForm5::Choose(const QString& text)
{
    if (!history_.empty())
        history_[0] = text.toStdString();
    accept();
}

void TForm5::BtnJumpClick()
{
    Choose(Edit1->text());
}

void TForm5::BtnCanselClick()
{
    if (!history_.empty())
        history_[0].clear();
    reject();
}

void TForm5::BtnRirekiClick()
{
    const QListWidgetItem* item = ListBox1->currentItem();
    Choose(item ? item->text() : QString());
}

void TForm5::BtnClearClick()
{
    pelto::ClearHistory(history_);
    FillList();
}

#include "navigation/Search.h"

#include "navigation/History.h"
#include "platform/Dialogs.h"
#include "platform/ListWindow.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace {

// Bytes a character takes once the string is converted for matching: one for
// ASCII and half-width katakana, two for the rest.
int Cp932Bytes(QChar character)
{
    const char16_t unit = character.unicode();
    return (unit < 0x80 || (unit >= 0xFF61 && unit <= 0xFF9F)) ? 1 : 2;
}

// Enter does only what each control says it does.
QPushButton* MakeButton(QWidget* parent, const char* caption, const char* name)
{
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setObjectName(QString::fromUtf8(name));
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

}  // namespace

TForm4::TForm4(std::span<std::string> findHistory, bool& findCaseSensitive,
               pelto::SearchDirection& findDirection, int historySize, QWidget* parent)
    : QDialog(parent),
      FindHistory(findHistory),
      FindCaseSensitive(findCaseSensitive),
      FindDirection(findDirection),
      HistorySize(historySize)
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Pelto (検索)"));
    setFont(pelto::WindowFont());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    Label1 = new QLabel(QStringLiteral("検索文字列(&S)"), this);
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Label1->setBuddy(Edit1);
    BtnSearch = MakeButton(this, "次検索(&N)", "BtnSearch");
    BtnPriorSearch = MakeButton(this, "前検索(&P)", "BtnPriorSearch");
    BtnCansel = MakeButton(this, "ｷｬﾝｾﾙ", "BtnCansel");
    Label2 = new QLabel(QStringLiteral("履歴表示(&R)"), this);
    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    Label2->setBuddy(ListBox1);
    BtnRireki = MakeButton(this, "履歴実行(&H)", "BtnRireki");
    BtnClear = MakeButton(this, "履歴ｸﾘｱ(&C)", "BtnClear");
    CheckUperLower = new QCheckBox(QStringLiteral("大文字と小文字を区別する(&C)"), this);
    CheckUperLower->setObjectName(QStringLiteral("CheckUperLower"));

    auto* grid = new QGridLayout(this);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(Edit1, 1, 0);
    grid->addWidget(BtnSearch, 1, 1);
    grid->addWidget(Label2, 2, 0);
    grid->addWidget(BtnPriorSearch, 2, 1);
    grid->addWidget(ListBox1, 3, 0, 4, 1);
    grid->addWidget(BtnCansel, 3, 1);
    grid->addWidget(BtnRireki, 5, 1);
    grid->addWidget(BtnClear, 6, 1);
    grid->addWidget(CheckUperLower, 7, 0, 1, 2);
    grid->setRowStretch(4, 1);
    Edit1->setMinimumWidth(320);
    ListBox1->setFixedHeight(180);

    setTabOrder(Edit1, BtnSearch);
    setTabOrder(BtnSearch, BtnPriorSearch);
    setTabOrder(BtnPriorSearch, BtnCansel);
    setTabOrder(BtnCansel, ListBox1);
    setTabOrder(ListBox1, BtnRireki);
    setTabOrder(BtnRireki, BtnClear);
    setTabOrder(BtnClear, CheckUperLower);

    Edit1->setText(FindHistory.size() > 1 ? QString::fromStdString(FindHistory[1]) : QString());
    Edit1->selectAll();
    FillList();
    CheckUperLower->setChecked(FindCaseSensitive);

    connect(BtnSearch, &QPushButton::clicked, this, &TForm4::BtnSearchClick);
    connect(BtnPriorSearch, &QPushButton::clicked, this, &TForm4::BtnPriorSearchClick);
    connect(BtnCansel, &QPushButton::clicked, this, &TForm4::reject);
    connect(BtnRireki, &QPushButton::clicked, this, &TForm4::BtnRirekiClick);
    connect(BtnClear, &QPushButton::clicked, this, &TForm4::BtnClearClick);
    connect(Edit1, &QLineEdit::returnPressed, this, [this] { Finish(Edit1->text()); });
    connect(Edit1, &QLineEdit::textEdited, this, &TForm4::Edit1Changed);
    pelto::ChooseOnDoubleClick(ListBox1, [this] { BtnRirekiClick(); });
    // The case option counts at once, so a change survives a cancel.
    connect(CheckUperLower, &QCheckBox::toggled, this, [this](bool checked) { FindCaseSensitive = checked; });
    ListBox1->installEventFilter(this);

    Edit1->setFocus();
    adjustSize();
}

void TForm4::FillList()
{
    ListBox1->clear();
    for (const std::string& line : pelto::HistoryListLines(FindHistory, HistorySize))
        ListBox1->addItem(QString::fromStdString(line));
    ListBox1->setCurrentRow(0);
}

void TForm4::Finish(const QString& text)
{
    if (!FindHistory.empty())
        FindHistory[0] = text.toStdString();
    accept();
}

void TForm4::reject()
{
    if (!FindHistory.empty())
        FindHistory[0].clear();
    QDialog::reject();
}

void TForm4::BtnSearchClick()
{
    FindDirection = pelto::SearchDirection::Next;
    Finish(Edit1->text());
}

void TForm4::BtnPriorSearchClick()
{
    FindDirection = pelto::SearchDirection::Prior;
    Finish(Edit1->text());
}

void TForm4::BtnRirekiClick()
{
    const QListWidgetItem* selected = ListBox1->currentItem();
    Finish(selected ? selected->text() : QString());
}

void TForm4::BtnClearClick()
{
    pelto::ClearHistory(FindHistory);
    FillList();
}

void TForm4::Edit1Changed()
{
    // Cut a typed or pasted string at the last whole character that fits.
    const QString text = Edit1->text();
    int bytes = 0;
    qsizetype keep = 0;
    while (keep < text.size()) {
        const qsizetype length = (text[keep].isHighSurrogate() && keep + 1 < text.size()) ? 2 : 1;
        const int size = Cp932Bytes(text[keep]);
        if (bytes + size > kMaxPatternBytes)
            break;
        bytes += size;
        keep += length;
    }
    if (keep < text.size()) {
        const int cursor = Edit1->cursorPosition();
        Edit1->setText(text.left(keep));
        Edit1->setCursorPosition(std::min<int>(cursor, static_cast<int>(keep)));
    }
}

bool TForm4::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ListBox1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            BtnRirekiClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

#include "app/Keyfunc1.h"

#include "platform/Dialogs.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TKeyFuncWindow::TKeyFuncWindow(int ownPage, bool& keyListOn, int& page, const QString& heading,
                               QWidget* parent)
    : QDialog(parent), OwnPage(ownPage), KeyListOn(keyListOn), Page(page)
{
    setWindowTitle(QStringLiteral("Pelto (ｷｰ操作一覧)"));
    setFont(pelto::WindowFont());

    LabelHeading = new QLabel(heading, this);
    LabelHeading->setObjectName(QStringLiteral("LabelHeading"));
    LabelHeading->setTextFormat(Qt::PlainText);
    LabelHeading->setAlignment(Qt::AlignCenter);

    BtnNext = new QPushButton(QStringLiteral("次表示(&N)"), this);
    BtnNext->setObjectName(QStringLiteral("BtnNext"));
    BtnOk = new QPushButton(QStringLiteral("OK(&O)"), this);
    BtnOk->setObjectName(QStringLiteral("BtnOk"));
    for (QPushButton* button : {BtnNext, BtnOk}) {
        // Enter is a key of this window, not a press of the focused button.
        button->setAutoDefault(false);
    }
    connect(BtnNext, &QPushButton::clicked, this, &TKeyFuncWindow::BtnNextClick);
    connect(BtnOk, &QPushButton::clicked, this, &TKeyFuncWindow::BtnOkClick);

    Rows = new QGridLayout;
    Rows->setHorizontalSpacing(24);
    Rows->setColumnMinimumWidth(2, 16);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BtnNext);
    buttons->addWidget(BtnOk);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LabelHeading);
    layout->addSpacing(8);
    layout->addLayout(Rows);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TKeyFuncWindow::AddRow(std::initializer_list<const char*> texts)
{
    int column = 0;
    for (const char* text : texts) {
        auto* label = new QLabel(QString::fromUtf8(text), this);
        label->setTextFormat(Qt::PlainText);
        // The second pair of page 1 starts after a gap column; the keys of a
        // row without a second pair may run across it.
        const bool last = column + 1 == static_cast<int>(texts.size());
        const int gridColumn = column < 2 ? column : column + 1;
        Rows->addWidget(label, RowCount, gridColumn, 1, last && texts.size() == 2 ? 4 : 1);
        ++column;
    }
    ++RowCount;
}

void TKeyFuncWindow::BtnNextClick()
{
    Page = OwnPage == 1 ? 2 : 1;
    accept();
}

void TKeyFuncWindow::BtnOkClick()
{
    KeyListOn = false;
    accept();
}

void TKeyFuncWindow::reject()
{
    if (Page == OwnPage)
        KeyListOn = false;
    QDialog::reject();
}

void TKeyFuncWindow::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_F1:
        BtnOkClick();
        return;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        BtnNextClick();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

TKeyFunc1::TKeyFunc1(bool& keyListOn, int& page, QWidget* parent)
    : TKeyFuncWindow(1, keyListOn, page, QStringLiteral("キー操作一覧画面（１／２）"), parent)
{
    setObjectName(QStringLiteral("KeyFunc1"));
    AddRow({"☆レジューム記憶", "Ctrl+R", "☆レジューム一覧表示", "R"});
    AddRow({"☆しおり行記憶", "Ctrl+Y", "☆しおり行一覧表示", "Y"});
    AddRow({"☆ファイル一覧取得", "=", "☆ファイル一覧表示", "*"});
    AddRow({"☆前ファイル表示", "-"});
    AddRow({"☆後ファイル表示", "+"});
    AddRow({"☆全発言取得", "S", "☆発言タイトル表示", "A"});
    AddRow({"☆新規発言取得", "D"});
    AddRow({"☆ツリー取得", "X", "☆ツリー表示", "Z"});
    AddRow({"☆現在行表示", "I"});
    AddRow({"☆最大化／元のサイズ", "Ctrl+["});
    AddRow({"☆終了", "Q, Enter = Resum Off  :  Esc, BackSpace = Resum On"});
    AddRow({"☆F1", "キー操作一覧画面"});
    AddRow({"☆F2", "Pelto 間で、相互にフォーカス移動"});
    AddRow({"☆F3", "Pelto 間で、選択してフォーカス移動"});
    AddRow({"☆F4", "Quorl または ｴｸｽﾌﾟﾛｰﾗ にフォーカス移動"});
}

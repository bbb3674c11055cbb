#include "app/AnotherForm.h"

#include "platform/Dialogs.h"
#include "platform/ListWindow.h"

#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

TForm18::TForm18(const QList<pelto::RunningCopy>& copies, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Form18"));
    setWindowTitle(QStringLiteral("Pelto (Pelto 一覧)"));
    setFont(pelto::WindowFont());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    Label1 = new QLabel(QStringLiteral("Pelto の切り替え(&B)"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(12, 8, 300, 22);
    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setGeometry(12, 32, 560, 200);
    ListBox1->installEventFilter(this);
    Label1->setBuddy(ListBox1);
    for (const pelto::RunningCopy& copy : copies)
        ListBox1->addItem(copy.Title);
    ListBox1->setCurrentRow(0);

    BtnChange = new QPushButton(QStringLiteral("実行(&O)"), this);
    BtnChange->setObjectName(QStringLiteral("BtnChange"));
    BtnChange->setAutoDefault(false);
    BtnChange->setGeometry(352, 242, 106, 28);
    BtnCansel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    BtnCansel->setObjectName(QStringLiteral("BtnCansel"));
    BtnCansel->setAutoDefault(false);
    BtnCansel->setGeometry(466, 242, 106, 28);
    connect(BtnChange, &QPushButton::clicked, this, &TForm18::BtnChangeClick);
    connect(BtnCansel, &QPushButton::clicked, this, &TForm18::BtnCanselClick);
    pelto::ChooseOnDoubleClick(ListBox1, [this] { ListBox1Click(); });

    setFixedSize(584, 282);
    ListBox1->setFocus();
}

bool TForm18::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ListBox1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            BtnChangeClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TForm18::ListBox1Click()
{
    BtnChangeClick();
}

void TForm18::BtnChangeClick()
{
    const int row = ListBox1->currentRow();
    if (row >= 0) {
        SelectedTitle = ListBox1->item(row)->text();
        SelectedIndex = row;
    }
    accept();
}

void TForm18::BtnCanselClick()
{
    reject();
}

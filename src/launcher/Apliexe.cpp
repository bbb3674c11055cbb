#include "launcher/Apliexe.h"

#include "platform/Dialogs.h"
#include "platform/ListWindow.h"

#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>

namespace {

// Each item remembers its slot, so the item chosen is the slot started.
constexpr int kSlotRole = Qt::UserRole;

}  // namespace

TForm13::TForm13(const pelto::LauncherSlots& entries, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Form13"));
    setWindowTitle(QStringLiteral("Pelto (ﾗﾝﾁｬｰ実行)"));
    setFont(pelto::WindowFont());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setGeometry(12, 12, 360, 240);
    ListBox1->installEventFilter(this);

    for (size_t index = 0; index < entries.size(); ++index) {
        const pelto::LauncherEntry& entry = entries[index];
        if (entry.IsFree())
            continue;
        auto* item = new QListWidgetItem(QString::fromStdString(entry.Title + "  " + entry.ShortCut), ListBox1);
        item->setData(kSlotRole, static_cast<int>(index) + 1);
    }
    if (ListBox1->count() == 0)
        ListBox1->addItem(QString());
    ListBox1->setCurrentRow(0);

    BtnOk = new QPushButton(QStringLiteral("実行(&O)"), this);
    BtnOk->setObjectName(QStringLiteral("BtnOk"));
    BtnOk->setAutoDefault(false);
    BtnOk->setGeometry(152, 262, 106, 28);
    BtnCansel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    BtnCansel->setObjectName(QStringLiteral("BtnCansel"));
    BtnCansel->setAutoDefault(false);
    BtnCansel->setGeometry(266, 262, 106, 28);
    connect(BtnOk, &QPushButton::clicked, this, &TForm13::BtnOkClick);
    connect(BtnCansel, &QPushButton::clicked, this, &TForm13::BtnCanselClick);
    pelto::ChooseOnDoubleClick(ListBox1, [this] { BtnOkClick(); });
    // Escape anywhere is a cancel.
    connect(this, &QDialog::rejected, this, [this] { LaunchChoice = -1; });

    setFixedSize(384, 302);
    ListBox1->setFocus();
}

bool TForm13::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ListBox1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            BtnOkClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TForm13::BtnOkClick()
{
    const QListWidgetItem* item = ListBox1->currentItem();
    // The empty item of an empty list stands for no entry.
    const QVariant slot = item ? item->data(kSlotRole) : QVariant();
    LaunchChoice = slot.isValid() ? slot.toInt() : -1;
    accept();
}

void TForm13::BtnCanselClick()
{
    reject();
}

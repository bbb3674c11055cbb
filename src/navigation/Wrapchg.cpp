#include "navigation/Wrapchg.h"

#include "platform/Dialogs.h"

#include <QPushButton>

TForm19::TForm19(int& wrapChoice, bool wrapsByOptions, QWidget* parent)
    : QDialog(parent), wrapChoice_(wrapChoice)
{
    setObjectName(QStringLiteral("Form19"));
    setWindowTitle(QStringLiteral("Pelto (折返切替)"));
    setFont(pelto::WindowFont());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto button = [this](const char* caption, const char* name, int left, int width) {
        auto* created = new QPushButton(QString::fromUtf8(caption), this);
        created->setObjectName(QString::fromUtf8(name));
        created->setAutoDefault(false);
        created->setGeometry(left, 20, width, 30);
        return created;
    };
    BtnWrapOn = button("画面幅で折返(&Y)", "BtnWrapOn", 16, 160);
    BtnWrapOff = button("設定値で折返(&N)", "BtnWrapOff", 186, 160);
    BtnCansel = button("ｷｬﾝｾﾙ", "BtnCansel", 356, 100);

    BtnWrapOn->setEnabled(wrapsByOptions);
    BtnWrapOff->setEnabled(!wrapsByOptions);

    connect(BtnWrapOn, &QPushButton::clicked, this, &TForm19::BtnWrapOnClick);
    connect(BtnWrapOff, &QPushButton::clicked, this, &TForm19::BtnWrapOffClick);
    connect(BtnCansel, &QPushButton::clicked, this, &QDialog::reject);

    (wrapsByOptions ? BtnWrapOn : BtnWrapOff)->setFocus();
    setFixedSize(472, 70);
}

void TForm19::BtnWrapOnClick()
{
    wrapChoice_ = 1;
    accept();
}

void TForm19::BtnWrapOffClick()
{
    wrapChoice_ = 0;
    accept();
}

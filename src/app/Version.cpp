#include "Version.h"

#include "platform/Dialogs.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

TForm3::TForm3(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Pelto (ﾊﾞｰｼﾞｮﾝ)"));
    setFont(pelto::WindowFont());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    LabelTitle = new QLabel(QStringLiteral("Pelto  －  大容量テキストファイル ビューア  for Win32"), this);
    LabelTitle->setObjectName(QStringLiteral("LabelTitle"));
    LabelTitle->setAlignment(Qt::AlignCenter);
    LabelTitle->setGeometry(16, 18, 480, 24);

    LabelVersion = new QLabel(QStringLiteral("Version 3.0  /  1997  October  26"), this);
    LabelVersion->setObjectName(QStringLiteral("LabelVersion"));
    LabelVersion->setAlignment(Qt::AlignCenter);
    LabelVersion->setGeometry(16, 48, 480, 24);

    BtnOk = new QPushButton(QStringLiteral("OK(&O)"), this);
    BtnOk->setObjectName(QStringLiteral("BtnOk"));
    BtnOk->setAutoDefault(false);
    BtnOk->setGeometry(216, 84, 80, 28);
    connect(BtnOk, &QPushButton::clicked, this, &TForm3::BtnOkClick);

    setFixedSize(512, 123);
}

void TForm3::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TForm3::BtnOkClick()
{
    accept();
}

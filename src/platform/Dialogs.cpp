#include "Dialogs.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>

namespace pelto {

namespace {

QMessageBox* MakeBox(QWidget* parent, QMessageBox::Icon icon, const char* title, const QString& text)
{
    auto* box = new QMessageBox(icon, QString::fromUtf8(title), DialogDisplayText(text),
                                QMessageBox::NoButton, parent);
    box->setAttribute(Qt::WA_DeleteOnClose, false);
    // Plain text keeps the leading and trailing blanks the messages rely on.
    box->setTextFormat(Qt::PlainText);
    return box;
}

QPushButton* AddButton(QMessageBox* box, const char* caption, QMessageBox::ButtonRole role)
{
    return box->addButton(QString::fromUtf8(caption), role);
}

// A box with one button that is both the default and the escape.
void ShowOneButtonBox(QWidget* parent, QMessageBox::Icon icon, const char* title, const QString& text,
                      const char* caption, QMessageBox::ButtonRole role)
{
    QMessageBox* box = MakeBox(parent, icon, title, text);
    QPushButton* only = AddButton(box, caption, role);
    box->setDefaultButton(only);
    box->setEscapeButton(only);
    box->exec();
    delete box;
}

}  // namespace

QFont WindowFont()
{
    QFont font(QStringLiteral("IPAGothic"));
    font.setPixelSize(16);
    return font;
}

QString DialogDisplayText(const QString& text)
{
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QChar(u'\r'), QChar(u'\n'));
    return shown;
}

void ShowAbortWarning(QWidget* parent, const QString& text)
{
    ShowOneButtonBox(parent, QMessageBox::Warning, "警告", text, kAbortCaption, QMessageBox::RejectRole);
}

void ShowOkInformation(QWidget* parent, const QString& text)
{
    ShowOneButtonBox(parent, QMessageBox::Information, "情報", text, kOkCaption, QMessageBox::AcceptRole);
}

Answer AskYesNo(QWidget* parent, const QString& text)
{
    QMessageBox* box = MakeBox(parent, QMessageBox::Information, "情報", text);
    QPushButton* yes = AddButton(box, kYesCaption, QMessageBox::YesRole);
    QPushButton* no = AddButton(box, kNoCaption, QMessageBox::NoRole);
    box->setDefaultButton(yes);
    box->setEscapeButton(no);
    box->exec();
    const bool saidYes = box->clickedButton() == yes;
    delete box;
    return saidYes ? Answer::Yes : Answer::No;
}

Answer AskYesNoCancel(QWidget* parent, const QString& text)
{
    QMessageBox* box = MakeBox(parent, QMessageBox::Information, "情報", text);
    QPushButton* yes = AddButton(box, kYesCaption, QMessageBox::YesRole);
    QPushButton* no = AddButton(box, kNoCaption, QMessageBox::NoRole);
    QPushButton* cancel = AddButton(box, kCancelCaption, QMessageBox::RejectRole);
    box->setDefaultButton(yes);
    box->setEscapeButton(cancel);
    box->exec();
    QAbstractButton* clicked = box->clickedButton();
    delete box;
    if (clicked == yes)
        return Answer::Yes;
    if (clicked == no)
        return Answer::No;
    return Answer::Cancel;
}

}  // namespace pelto

#include "navigation/Linenum.h"

#include "platform/Dialogs.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>

namespace {

QLabel* MakeLabel(QWidget* parent, const QString& text, const char* name, QRect bounds)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromUtf8(name));
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(bounds);
    // A click on any label closes the window like a click beside it.
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}

}  // namespace

TForm7::TForm7(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Form7"));
    setWindowTitle(QStringLiteral("Pelto (現在行情報)"));
    setFont(pelto::WindowFont());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    constexpr int kLeft = 24;
    constexpr int kRight = 130;
    constexpr int kValueWidth = 260;
    Label1 = MakeLabel(this, QStringLiteral("現在行"), "Label1", QRect(kLeft, 18, 100, 22));
    Label2 = MakeLabel(this, QString(), "Label2", QRect(kRight, 18, kValueWidth, 22));
    Label3 = MakeLabel(this, QStringLiteral("全行数"), "Label3", QRect(kLeft, 46, 100, 22));
    Label4 = MakeLabel(this, QString(), "Label4", QRect(kRight, 46, kValueWidth, 22));
    Label5 = MakeLabel(this, QStringLiteral("表示内容"), "Label5", QRect(kLeft, 74, 100, 22));
    Label6 = MakeLabel(this, QStringLiteral("表示行 (論理行)"), "Label6", QRect(kRight, 74, kValueWidth, 22));

    setFixedSize(kRight + kValueWidth + 10, 112);
}

void TForm7::ShowValues(int topRow, int topLine, int rowCount, int lineCount)
{
    Label2->setText(QStringLiteral("%1 (%2)").arg(topRow + 1).arg(topLine + 1));
    Label4->setText(QStringLiteral("%1 (%2)").arg(rowCount).arg(lineCount));
}

void TForm7::keyPressEvent(QKeyEvent* event)
{
    event->accept();
    accept();
}

void TForm7::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    accept();
}

void TForm7::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
    accept();
}

#include "Dialgdsp.h"

#include "platform/Dialogs.h"

#include <QKeyEvent>
#include <QLabel>

namespace {
constexpr int kClientWidth = 392;
constexpr int kClientHeight = 73;
constexpr int kLabelLeft = 20;
constexpr int kLabelTop = 25;
constexpr int kLabelWidth = 350;
constexpr int kLabelHeight = 20;
}  // namespace

TForm17::TForm17(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Form17"));
    setWindowTitle(QStringLiteral("Pelto (ﾒｯｾｰｼﾞ)"));
    setFont(pelto::WindowFont());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextFormat(Qt::PlainText);
    Label1->setGeometry(kLabelLeft, kLabelTop, kLabelWidth, kLabelHeight);
    // Clicks on the text belong to the window, which closes on them.
    Label1->setAttribute(Qt::WA_TransparentForMouseEvents);

    setFixedSize(kClientWidth, kClientHeight);
}

void TForm17::keyPressEvent(QKeyEvent* event)
{
    event->accept();
    FormKeyDown();
}

void TForm17::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    FormClick();
}

void TForm17::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
    FormClick();
}

void TForm17::FormKeyDown()
{
    accept();
}

void TForm17::FormClick()
{
    accept();
}

namespace pelto {

void ShowNotice(QWidget* parent, const QString& text)
{
    auto* notice = new TForm17(parent);
    notice->Label1->setText(text);
    // A notice longer than the design label would be cut off: widen the window
    // rather than lose the end of the message.
    const int needed = notice->Label1->sizeHint().width();
    if (needed > kLabelWidth) {
        notice->Label1->resize(needed, kLabelHeight);
        notice->setFixedSize(kClientWidth + needed - kLabelWidth, kClientHeight);
    }
    CentreOnScreen(notice);
    notice->exec();
    delete notice;
}

}  // namespace pelto

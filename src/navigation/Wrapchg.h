#pragma once
// The wrap switch dialog: wrap at the window width, or as the options say.
// Only the button for the way not in use is enabled.

#include <QDialog>

class QPushButton;

class TForm19 : public QDialog {
    Q_OBJECT
public:
    // `wrapChoice` receives 1 (window width) or 0 (by the options) when a
    // button is pressed, and is left alone otherwise.
    TForm19(int& wrapChoice, bool wrapsByOptions, QWidget* parent = nullptr);

    QPushButton* BtnWrapOn;
    QPushButton* BtnWrapOff;
    QPushButton* BtnCansel;

private:
    void BtnWrapOnClick();
    void BtnWrapOffClick();

    int& wrapChoice_;
};

#pragma once
// The version window of the Help menu.

#include <QDialog>

class QLabel;
class QPushButton;

class TForm3 : public QDialog {
    Q_OBJECT
public:
    explicit TForm3(QWidget* parent = nullptr);

    QLabel* LabelTitle;
    QLabel* LabelVersion;
    QPushButton* BtnOk;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BtnOkClick();
};

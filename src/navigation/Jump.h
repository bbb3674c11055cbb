#pragma once
// The jump dialog: a line number to go to, with the history of recent ones.

#include <QDialog>

#include <span>
#include <string>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

class TForm5 : public QDialog {
    Q_OBJECT
public:
    // `history` is the jump history with its hand-over slot 0, where the
    // chosen text is left (empty when the dialog was cancelled); `shownSize`
    // is how many entries the list offers. "履歴ｸﾘｱ" empties the entries.
    TForm5(std::span<std::string> history, int shownSize, QWidget* parent = nullptr);

    QLabel* Label1;
    QLineEdit* Edit1;
    QPushButton* BtnJump;
    QPushButton* BtnCansel;
    QLabel* Label2;
    QListWidget* ListBox1;
    QPushButton* BtnRireki;
    QPushButton* BtnClear;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BtnJumpClick();
    void BtnCanselClick();
    void BtnRirekiClick();
    void BtnClearClick();
    void FillList();
    void Choose(const QString& text);

    std::span<std::string> history_;
    int shownSize_;
};

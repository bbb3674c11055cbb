#pragma once
// The search dialog: the search string, the history list and the case option.

#include <QDialog>

#include <span>
#include <string>

#include "navigation/SearchScan.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

class TForm4 : public QDialog {
    Q_OBJECT
public:
    // The dialog works on the main window's state: `findHistory` is the table
    // of slot 0 (the string handed back, empty after a cancel) and entries
    // 1..32; the case option and the direction change as the user acts.
    // `historySize` is how many entries the list offers.
    TForm4(std::span<std::string> findHistory, bool& findCaseSensitive,
           pelto::SearchDirection& findDirection, int historySize, QWidget* parent = nullptr);

    QLabel* Label1;
    QLineEdit* Edit1;
    QPushButton* BtnSearch;
    QPushButton* BtnPriorSearch;
    QPushButton* BtnCansel;
    QLabel* Label2;
    QListWidget* ListBox1;
    QPushButton* BtnRireki;
    QPushButton* BtnClear;
    QCheckBox* CheckUperLower;

    // The most bytes a search string may have in the document's encoding.
    static constexpr int kMaxPatternBytes = 255;

    // Every way of cancelling hands back an empty string.
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BtnSearchClick();
    void BtnPriorSearchClick();
    void BtnRirekiClick();
    void BtnClearClick();
    void Edit1Changed();
    void FillList();
    // Hands `text` back to the main window and closes.
    void Finish(const QString& text);

    std::span<std::string> FindHistory;
    bool& FindCaseSensitive;
    pelto::SearchDirection& FindDirection;
    int HistorySize;
};

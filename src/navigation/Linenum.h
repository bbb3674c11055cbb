#pragma once
// The current-line window: the top row and its line, the document's size.
// Any key or click closes it.

#include <QDialog>

class QLabel;

class TForm7 : public QDialog {
    Q_OBJECT
public:
    explicit TForm7(QWidget* parent = nullptr);

    // Fills the two values: the 0-based top row and the 0-based line it shows,
    // the display rows and the logical lines.
    void ShowValues(int topRow, int topLine, int rowCount, int lineCount);

    QLabel* Label1;   // "現在行"
    QLabel* Label2;   // current row (line)
    QLabel* Label3;   // "全行数"
    QLabel* Label4;   // rows (lines)
    QLabel* Label5;   // "表示内容"
    QLabel* Label6;   // the legend

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

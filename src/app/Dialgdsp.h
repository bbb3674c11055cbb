#pragma once
// The message window: completion notices and soft errors, closed by any key or
// any click.

#include <QDialog>

class QLabel;

class TForm17 : public QDialog {
    Q_OBJECT
public:
    explicit TForm17(QWidget* parent = nullptr);

    QLabel* Label1;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void FormKeyDown();
    void FormClick();
};

namespace pelto {

// Creates the message window with `text`, centres it on the screen, shows it
// modally and destroys it once closed.
void ShowNotice(QWidget* parent, const QString& text);

// Places a window of the given outer size in the middle of the screen it would
// appear on: (screen width - width) div 2, (screen height - height) div 2.
void CentreOnScreen(QWidget* window);

}  // namespace pelto

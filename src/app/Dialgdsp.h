#pragma once
// The message window: completion notices and soft errors, closed by any key or
// any click.

#include <QDialog>

#include "platform/ListWindow.h"  // CentreOnScreen

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

}  // namespace pelto

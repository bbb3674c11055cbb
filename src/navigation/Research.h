#pragma once
// The hit pause window: a borderless strip shown for a moment before a
// repeated search moves the view, so the user sees that it jumped.

#include <QDialog>

class QTimer;

class TForm14 : public QDialog {
    Q_OBJECT
public:
    explicit TForm14(QWidget* parent = nullptr);

    QTimer* Timer1;

    static constexpr int kLifeMs = 300;

private:
    void Timer1Timer();
};

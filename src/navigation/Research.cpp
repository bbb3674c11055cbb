#include "navigation/Research.h"

#include <QTimer>

TForm14::TForm14(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("Form14"));
    setFixedSize(105, 1);

    Timer1 = new QTimer(this);
    Timer1->setSingleShot(true);
    Timer1->setInterval(kLifeMs);
    connect(Timer1, &QTimer::timeout, this, &TForm14::Timer1Timer);
    Timer1->start();
}

void TForm14::Timer1Timer()
{
    accept();
}

#include "platform/ListWindow.h"

#include <QGuiApplication>
#include <QListWidget>
#include <QScreen>
#include <QWidget>

namespace pelto {

void PlaceListWindow(QWidget* window, const WindowPlacement& placement)
{
    if (placement.UseStoredBounds()) {
        window->move(placement.Left, placement.Top);
        window->resize(placement.Width, placement.Height);
        return;
    }
    CentreOnScreen(window);
}

void CentreOnScreen(QWidget* window)
{
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    window->move(area.x() + (area.width() - window->width()) / 2,
                 area.y() + (area.height() - window->height()) / 2);
}

void ToggleMaximized(QWidget* window)
{
    if (window->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen))
        window->showNormal();
    else
        window->showMaximized();
}

void StoreListWindowBounds(const QWidget* window, WindowPlacement& placement)
{
    const Qt::WindowStates abnormal = Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen;
    if (window->windowState() & abnormal)
        return;
    placement.Left = window->x();
    placement.Top = window->y();
    placement.Width = window->width();
    placement.Height = window->height();
}

void ApplyListFont(QListWidget* list, const QFont& viewFont)
{
    QFont font = list->font();
    font.setFamily(viewFont.family());
    if (viewFont.pixelSize() > 0)
        font.setPixelSize(viewFont.pixelSize());
    else
        font.setPointSizeF(viewFont.pointSizeF());
    list->setFont(font);
}

}  // namespace pelto

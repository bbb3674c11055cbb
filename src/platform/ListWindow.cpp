#include "platform/ListWindow.h"

#include <QAbstractItemView>
#include <QGuiApplication>
#include <QListWidget>
#include <QMouseEvent>
#include <QScreen>
#include <QWidget>

#include <utility>

namespace pelto {

namespace {

class DoubleClickChooser : public QObject {
public:
    DoubleClickChooser(QAbstractItemView* list, std::function<void()> choose)
        : QObject(list), list_(list), choose_(std::move(choose))
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease &&
            type != QEvent::MouseButtonDblClick)
            return QObject::eventFilter(watched, event);
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton)
            return QObject::eventFilter(watched, event);
        switch (type) {
        case QEvent::MouseButtonDblClick:
            // The press before it has already selected what lies under the
            // pointer; the release after it has nothing left to do.
            swallowRelease_ = true;
            choose_();
            return true;
        case QEvent::MouseButtonPress:
            // A press on the blank below the entries keeps the selection, as
            // in a list box, so that a double click there chooses it.
            if (list_->indexAt(mouse->position().toPoint()).isValid()) {
                swallowRelease_ = false;
                return false;
            }
            list_->setFocus(Qt::MouseFocusReason);
            swallowRelease_ = true;
            return true;
        default:
            if (!swallowRelease_)
                return false;
            swallowRelease_ = false;
            return true;
        }
    }

private:
    QAbstractItemView* list_;
    std::function<void()> choose_;
    bool swallowRelease_ = false;
};

}  // namespace

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

void ChooseOnDoubleClick(QAbstractItemView* list, std::function<void()> choose)
{
    list->viewport()->installEventFilter(new DoubleClickChooser(list, std::move(choose)));
}

}  // namespace pelto

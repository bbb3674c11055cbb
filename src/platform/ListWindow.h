#pragma once
// What the list windows (file, title, resume, bookmark and tree lists, and the
// tree post viewer) share: where they appear, how they remember their bounds,
// and the list font taken from the main view.

#include <QFont>

#include <functional>

#include "settings/Settings.h"

class QWidget;
class QAbstractItemView;
class QListWidget;

namespace pelto {

// At the remembered bounds when the placement allows it, else centred on the screen.
void PlaceListWindow(QWidget* window, const WindowPlacement& placement);

// Places a window of the given outer size in the middle of the screen it would
// appear on: (screen width - width) div 2, (screen height - height) div 2.
void CentreOnScreen(QWidget* window);

// Ctrl+"[": back to the normal size from maximised, minimised or full screen,
// else maximised.
void ToggleMaximized(QWidget* window);

// Keeps the bounds of a window closed in the normal state; a minimised or
// maximised window leaves the stored values alone.
void StoreListWindowBounds(const QWidget* window, WindowPlacement& placement);

// The list shows the main view's face and size.
void ApplyListFont(QListWidget* list, const QFont& viewFont);

// A left double click anywhere in the list box, on an item or on the blank
// below the last one, runs `choose` (which takes the selected entry), as the
// list box's own double-click event does; a click on that blank keeps the
// selection.  Qt's doubleClicked fires only on an item, and its press on the
// blank clears the selection.
void ChooseOnDoubleClick(QAbstractItemView* list, std::function<void()> choose);

}  // namespace pelto

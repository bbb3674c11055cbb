#include "positions/PositionList.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/MainShared.h"
#include "platform/Dialogs.h"
#include "platform/ListWindow.h"

namespace pelto {

namespace {
constexpr int kEntryRole = Qt::UserRole;
}

PositionListWindow::PositionListWindow(QWidget* parent, const QString& objectName, const QString& caption,
                                       const QString& listLabel, int designWidth, int designHeight)
    : QDialog(parent)
{
    setObjectName(objectName);
    setWindowTitle(caption);
    setFont(WindowFont());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setSizeGripEnabled(true);

    LabelList = new QLabel(listLabel, this);
    LabelList->setObjectName(QStringLiteral("LabelList"));
    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setTextElideMode(Qt::ElideNone);
    ListBox1->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    LabelList->setBuddy(ListBox1);

    ButtonRow = new QHBoxLayout;
    ButtonRow->setSpacing(8);
    // Only the list takes up a change of size; label and buttons keep theirs,
    // so the list's margins stay as designed.
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(8, 8, 8, 8);
    column->addWidget(LabelList);
    column->addWidget(ListBox1, 1);
    column->addLayout(ButtonRow);
    ButtonRow->addStretch(1);

    WatchKeys(ListBox1);
    resize(designWidth, designHeight);
}

QPushButton* PositionListWindow::AddButton(const QString& objectName, const QString& caption, const QString& hint)
{
    auto* button = new QPushButton(caption, this);
    button->setObjectName(objectName);
    button->setAutoDefault(false);
    button->setDefault(false);
    // The buttons stand in tab order after the list, left to right.
    if (!hint.isEmpty()) {
        auto* cell = new QVBoxLayout;
        cell->setSpacing(2);
        cell->addWidget(button);
        auto* label = new QLabel(hint, this);
        label->setObjectName(QStringLiteral("Label") + objectName.mid(3));
        cell->addWidget(label);
        ButtonRow->insertLayout(ButtonRow->count() - 1, cell);
    } else {
        ButtonRow->insertWidget(ButtonRow->count() - 1, button);
    }
    return button;
}

void PositionListWindow::WatchKeys(QWidget* control)
{
    control->installEventFilter(this);
}

std::string PositionListWindow::EntryOfRow(int row) const
{
    const QListWidgetItem* item = ListBox1->item(row);
    if (!item)
        return {};
    return item->data(kEntryRole).toByteArray().toStdString();
}

void PositionListWindow::AddEntryLine(const std::string& entry)
{
    auto* item = new QListWidgetItem(QString::fromStdString(entry), ListBox1);
    item->setData(kEntryRole, QByteArray::fromStdString(entry));
    item->setSizeHint(LineSize());
}

bool PositionListWindow::ListKeyDown(QKeyEvent*)
{
    return false;
}

bool PositionListWindow::WindowKey(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        EscapePressed();
        return true;
    case Qt::Key_Backspace:
        reject();
        return true;
    case Qt::Key_BracketLeft:
        if (mainwin::ModifiersOf(event) != mainwin::ModifierSet::Ctrl)
            return false;
        ToggleMaximized(this);
        return true;
    default:
        return false;
    }
}

bool PositionListWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ListBox1 && (event->type() == QEvent::Resize || event->type() == QEvent::FontChange))
        UpdateHorizontalExtent();
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (WindowKey(key))
            return true;
        if (watched == ListBox1 && ListKeyDown(key))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

void PositionListWindow::keyPressEvent(QKeyEvent* event)
{
    // Keys that reach the window itself, not those passed up from a control
    // that does not take them (see the controls' own filters).
    if (focusWidget() == nullptr || focusWidget() == this) {
        if (WindowKey(event))
            return;
    }
    // Escape and Enter do nothing else here: no default button, no cancel key.
    if (event->key() == Qt::Key_Escape)
        return;
    QDialog::keyPressEvent(event);
}

QSize PositionListWindow::LineSize() const
{
    return QSize(ListBox1->width() * 3 / 2, ListBox1->fontMetrics().height() + 4);
}

void PositionListWindow::UpdateHorizontalExtent()
{
    const QSize hint = LineSize();
    for (int row = 0; row < ListBox1->count(); ++row)
        ListBox1->item(row)->setSizeHint(hint);
}

}  // namespace pelto

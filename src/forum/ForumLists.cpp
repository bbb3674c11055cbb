#include "forum/ForumLists.h"

#include <QEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QListView>
#include <QPushButton>
#include <QScrollBar>

#include <algorithm>

#include "platform/ListWindow.h"
#include "text/Cp932.h"

namespace pelto {

// ---------------------------------------------------------------------------
// TLinesModel

TLinesModel::TLinesModel(std::vector<std::string> lines, QObject* parent)
    : QAbstractListModel(parent), lines_(std::move(lines))
{
}

int TLinesModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : Count();
}

QVariant TLinesModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= Count())
        return {};
    if (role == Qt::DisplayRole)
        return QString::fromStdU16String(Cp932ToUtf16(Line(index.row())));
    if (role == Qt::SizeHintRole)
        return itemSize_;
    return {};
}

// ---------------------------------------------------------------------------
// TPlacedDialog

TPlacedDialog::TPlacedDialog(const QString& caption, WindowPlacement& placement, QWidget* parent)
    : QDialog(parent), placement_(placement)
{
    setWindowTitle(caption);
    // A resizable window with the maximise box the list windows have.
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
}

void TPlacedDialog::Place()
{
    PlaceListWindow(this, placement_);
}

void TPlacedDialog::done(int result)
{
    FormClose();
    QDialog::done(result);
}

void TPlacedDialog::FormClose()
{
    StoreListWindowBounds(this, placement_);
}

void TPlacedDialog::ToggleMaximized()
{
    if (windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen))
        showNormal();
    else
        showMaximized();
}

bool TPlacedDialog::IsMaximizeKey(const QKeyEvent* event)
{
    const Qt::KeyboardModifiers held = event->modifiers() & ~Qt::KeypadModifier;
    return event->key() == Qt::Key_BracketLeft && held == Qt::ControlModifier;
}

// ---------------------------------------------------------------------------
// TListWindow

TListWindow::TListWindow(const QString& caption, WindowPlacement& placement, QWidget* parent)
    : TPlacedDialog(caption, placement, parent), ListBox1(new QListView(this))
{
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBox1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListBox1->setUniformItemSizes(true);
    ListBox1->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    ListBox1->setTextElideMode(Qt::ElideNone);
    ChooseOnDoubleClick(ListBox1, [this] { ListBox1Click(); });
    WatchKeys(ListBox1);
}

void TListWindow::FormCreate(std::vector<std::string> lines, int selected, const QFont& viewFont)
{
    const bool empty = lines.empty();
    if (empty)
        lines.emplace_back();
    model_ = new TLinesModel(std::move(lines), this);

    ListBox1->setFont(viewFont);
    const int itemHeight = std::max(18, QFontMetrics(viewFont).height());
    // Entries up to one and a half list widths can be scrolled into view.
    model_->SetItemSize(QSize(ListBox1->width() * 15 / 10, itemHeight));
    ListBox1->setModel(model_);

    const int index = empty ? 0 : selected;
    if (index >= 0 && index < model_->Count()) {
        ListBox1->setCurrentIndex(model_->index(index));
        ListBox1->scrollTo(model_->index(index));
    }
    designList_ = ListBox1->size();
    designWindow_ = size();
    ListBox1->setFocus();
}

int TListWindow::SelectedIndex() const
{
    const QModelIndex current = ListBox1->currentIndex();
    if (!current.isValid() || !ListBox1->selectionModel()->isSelected(current))
        return -1;
    return current.row();
}

QPushButton* TListWindow::AddButton(const char* caption, const char* name, QRect bounds)
{
    auto* button = new QPushButton(QString::fromUtf8(caption), this);
    button->setObjectName(QString::fromUtf8(name));
    button->setAutoDefault(false);
    button->setGeometry(bounds);
    WatchKeys(button);
    return button;
}

void TListWindow::WatchKeys(QWidget* control)
{
    control->installEventFilter(this);
}

bool TListWindow::ListBoxKeyDown(QKeyEvent* event)
{
    return FormKeyDown(event);
}

bool TListWindow::FormKeyDown(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Backspace:
        reject();
        return true;
    default:
        break;
    }
    if (IsMaximizeKey(event)) {
        ToggleMaximized();
        return true;
    }
    return false;
}

bool TListWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool used = watched == ListBox1 ? ListBoxKeyDown(key) : FormKeyDown(key);
        if (used)
            return true;
    }
    return TPlacedDialog::eventFilter(watched, event);
}

void TListWindow::keyPressEvent(QKeyEvent* event)
{
    if (!FormKeyDown(event))
        TPlacedDialog::keyPressEvent(event);
}

void TListWindow::resizeEvent(QResizeEvent* event)
{
    TPlacedDialog::resizeEvent(event);
    ResizeExecute();
}

void TListWindow::ResizeExecute()
{
    if (designWindow_.isEmpty())
        return;
    ListBox1->resize(std::max(0, designList_.width() + width() - designWindow_.width()),
                     std::max(0, designList_.height() + height() - designWindow_.height()));
}

}  // namespace pelto

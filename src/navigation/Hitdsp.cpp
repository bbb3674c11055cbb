#include "navigation/Hitdsp.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QPushButton>

#include "app/Main.h"
#include "platform/ListWindow.h"
#include "view/BigView.h"

TFormHit::TFormHit(TForm1& owner, pelto::HitListing listing, bool folder, const QString& status)
    : TListWindow(QStringLiteral("Pelto (検索一覧)"), owner.Mirror.Placement[pelto::kFormHit], &owner),
      owner_(owner),
      listing_(std::move(listing))
{
    setObjectName(QStringLiteral("FormHit"));
    // A window of its own rather than a dialog: a jump raises the main
    // window over it, and the list waits behind for the next hit.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint
                   | Qt::WindowCloseButtonHint);
    setAttribute(Qt::WA_DeleteOnClose);
    resize(620, 420);

    BtnJump = AddButton("ｼﾞｬﾝﾌﾟ(&J)", "BtnJump", QRect(270, 5, 100, 25));
    BtnDisp = AddButton("発言表示(&D)", "BtnDisp", QRect(380, 5, 100, 25));
    BtnCansel = AddButton("閉じる", "BtnCansel", QRect(490, 5, 100, 25));
    LabelStatus = new QLabel(status, this);
    LabelStatus->setObjectName(QStringLiteral("LabelStatus"));
    LabelStatus->setTextFormat(Qt::PlainText);
    LabelStatus->setGeometry(5, 32, 1200, 18);
    ListBox1->setGeometry(5, 55, 603, 335);
    connect(BtnJump, &QPushButton::clicked, this, &TFormHit::ChooseJump);
    connect(BtnDisp, &QPushButton::clicked, this, &TFormHit::ChooseShow);
    connect(BtnCansel, &QPushButton::clicked, this, &TFormHit::reject);
    setTabOrder(ListBox1, BtnJump);
    setTabOrder(BtnJump, BtnDisp);
    setTabOrder(BtnDisp, BtnCansel);

    std::vector<std::string> items;
    items.reserve(listing_.Hits.size());
    for (const pelto::HitEntry& hit : listing_.Hits)
        items.push_back(pelto::HitItemText(listing_, hit, folder));
    FormCreate(std::move(items), 0, owner.BigView1->ViewFont());
    owner.installEventFilter(this);
}

bool TFormHit::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &owner_) {
        // A list still open when the program ends keeps its bounds too: they
        // are taken before the main window writes the placements.
        if (event->type() == QEvent::Close && isVisible())
            pelto::StoreListWindowBounds(this, owner_.Mirror.Placement[pelto::kFormHit]);
        return false;
    }
    return TListWindow::eventFilter(watched, event);
}

bool TFormHit::ListBoxKeyDown(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        const Qt::KeyboardModifiers held = event->modifiers() & ~Qt::KeypadModifier;
        if (held == Qt::ShiftModifier)
            ChooseShow();
        else
            ChooseJump();
        return true;
    }
    return TListWindow::ListBoxKeyDown(event);
}

void TFormHit::ListBox1Click()
{
    ChooseJump();
}

const pelto::HitEntry* TFormHit::SelectedHit() const
{
    const int index = SelectedIndex();
    if (index < 0 || index >= static_cast<int>(listing_.Hits.size()))
        return nullptr;
    return &listing_.Hits[static_cast<size_t>(index)];
}

void TFormHit::ChooseJump()
{
    if (const pelto::HitEntry* hit = SelectedHit())
        owner_.HitListJump(listing_.Files[static_cast<size_t>(hit->File)], hit->Line, hit->Offset);
}

void TFormHit::ChooseShow()
{
    if (const pelto::HitEntry* hit = SelectedHit())
        owner_.HitListShowPost(listing_.Files[static_cast<size_t>(hit->File)], hit->Line);
}

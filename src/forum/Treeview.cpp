#include "forum/Treeview.h"

#include <QKeyEvent>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>
#include <memory>

#include "app/Dialgdsp.h"
#include "app/Main.h"
#include "app/MainShared.h"
#include "navigation/Wrapchg.h"
#include "platform/Colors.h"
#include "platform/Dialogs.h"
#include "settings/ExePaths.h"
#include "text/NumberField.h"
#include "view/BigView.h"
#include "view/BvStrings.h"

using pelto::TBigView;

namespace {

const QString kReloadFailed = QStringLiteral("   指定されたファイルがオープンできませんでした。          ");

}  // namespace

TForm22::TForm22(TForm1& owner)
    : TPlacedDialog(QStringLiteral("Pelto (ﾂﾘｰ発言)"), owner.Mirror.Placement[pelto::kFormView], &owner),
      BigView1(new TBigView(this)),
      owner_(owner)
{
    setObjectName(QStringLiteral("Form22"));
    resize(620, 420);

    BigView1->setObjectName(QStringLiteral("BigView1"));
    BigView1->SetCaret(false);
    BigView1->SetSelect(false);
    BigView1->SetMaxChar(255);
    BigView1->SetPCanLimit(0);
    BigView1->SetScOver(true);
    BigView1->SetScrollBar(pelto::ssVertical);
    BigView1->setFocusPolicy(Qt::StrongFocus);
    BigView1->OnKeyDown = [this](QKeyEvent* event) { return FormKeyDown(event); };
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(BigView1);

    ConfigureView();
    BigView1->setFocus();
}

void TForm22::ConfigureView()
{
    pelto::Settings& mirror = owner_.Mirror;
    BigView1->SetBvStyle(pelto::bvDblFrame);
    BigView1->SetViewFont(TBigView::MakeViewFont(QString::fromStdString(mirror.TextFontName),
                                                 pelto::StrToIntDef(mirror.TextFontSize, 14)));
    BigView1->SetFontColor(pelto::ColorFromText(QString::fromStdString(mirror.TextFontColor))
                               .value_or(palette().color(QPalette::Text)));
    BigView1->SetColor(pelto::ColorFromText(QString::fromStdString(mirror.TextBackColor))
                           .value_or(palette().color(QPalette::Base)));
    BigView1->SetWordWrap(mirror.CheckWrapChar);
    // The clamped texts replace the mirror's values, as at start-up.
    const pelto::StartupOptions options = pelto::ClampStartupOptions(mirror);
    BigView1->SetWrapByte(options.WrapByte);
    BigView1->SetViewTabStop(options.ViewTabStop);
    BigView1->SetScrollSense(options.ScrollSense);
}

void TForm22::showEvent(QShowEvent* event)
{
    TPlacedDialog::showEvent(event);
    BigView1->Redraw();
}

void TForm22::keyPressEvent(QKeyEvent* event)
{
    if (!FormKeyDown(event))
        TPlacedDialog::keyPressEvent(event);
}

bool TForm22::FormKeyDown(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Backspace:
    case Qt::Key_Q:
        reject();
        return true;
    case Qt::Key_W:
        if (mainwin::ModifiersOf(event) != mainwin::ModifierSet::Plain)
            return false;
        MenuWrapChangeClick();
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

void TForm22::MenuWrapChangeClick()
{
    const int topLine = BigView1->LineOfRow(BigView1->TopRow());
    // WrapByte 0 means wrapping at the window width.
    const bool wrapsByOptions = BigView1->WrapByte() != 0;

    owner_.WrapChoice = -1;
    auto* dialog = new TForm19(owner_.WrapChoice, wrapsByOptions, this);
    pelto::CentreOnScreen(dialog);
    dialog->exec();
    delete dialog;

    owner_.TreeFileName = pelto::WorkFilePath(4);
    const bool toWindowWidth = wrapsByOptions && owner_.WrapChoice == 1;
    const bool toOptions = !wrapsByOptions && owner_.WrapChoice == 0;
    if (toWindowWidth || toOptions) {
        // Read into a store of its own first: when the file cannot be read
        // now, the thread stays on screen as it was.
        auto lines = std::make_unique<pelto::TBvStrings>();
        try {
            lines->LoadFromFile(owner_.TreeFileName);
        } catch (const std::exception&) {
            pelto::ShowAbortWarning(this, kReloadFailed);
            return;
        }
        BigView1->Clear();
        if (toWindowWidth) {
            BigView1->SetWordWrap(true);
            BigView1->SetWrapByte(0);
        } else {
            BigView1->SetWordWrap(owner_.Mirror.CheckWrapChar);
            BigView1->SetWrapByte(std::clamp(pelto::StrToIntDef(owner_.Mirror.EditWrapChar, 80), 2, 255));
        }
        BigView1->AdoptLines(std::move(lines));
    }
    if (topLine >= 0)
        BigView1->SetTopRow(BigView1->RowOfLine(topLine));
}

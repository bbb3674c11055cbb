#include "navigation/Wrapchg.h"

#include "app/Dialgdsp.h"
#include "platform/Dialogs.h"
#include "platform/LongStep.h"
#include "settings/Settings.h"
#include "text/NumberField.h"
#include "view/BigView.h"
#include "view/BvStrings.h"

#include <QPushButton>

#include <algorithm>
#include <exception>
#include <memory>

namespace {

const QString kReloadFailed = QStringLiteral("   指定されたファイルがオープンできませんでした。          ");

}  // namespace

TForm19::TForm19(int& wrapChoice, bool wrapsByOptions, QWidget* parent)
    : QDialog(parent), wrapChoice_(wrapChoice)
{
    setObjectName(QStringLiteral("Form19"));
    setWindowTitle(QStringLiteral("Pelto (折返切替)"));
    setFont(pelto::WindowFont());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto button = [this](const char* caption, const char* name, int left, int width) {
        auto* created = new QPushButton(QString::fromUtf8(caption), this);
        created->setObjectName(QString::fromUtf8(name));
        created->setAutoDefault(false);
        created->setGeometry(left, 20, width, 30);
        return created;
    };
    BtnWrapOn = button("画面幅で折返(&Y)", "BtnWrapOn", 16, 160);
    BtnWrapOff = button("設定値で折返(&N)", "BtnWrapOff", 186, 160);
    BtnCansel = button("ｷｬﾝｾﾙ", "BtnCansel", 356, 100);

    BtnWrapOn->setEnabled(wrapsByOptions);
    BtnWrapOff->setEnabled(!wrapsByOptions);

    connect(BtnWrapOn, &QPushButton::clicked, this, &TForm19::BtnWrapOnClick);
    connect(BtnWrapOff, &QPushButton::clicked, this, &TForm19::BtnWrapOffClick);
    connect(BtnCansel, &QPushButton::clicked, this, &QDialog::reject);

    (wrapsByOptions ? BtnWrapOn : BtnWrapOff)->setFocus();
    setFixedSize(472, 70);
}

void TForm19::BtnWrapOnClick()
{
    wrapChoice_ = 1;
    accept();
}

void TForm19::BtnWrapOffClick()
{
    wrapChoice_ = 0;
    accept();
}

bool SwitchWrapping(QWidget* parent, pelto::TBigView& view, const pelto::Settings& mirror, int& wrapChoice,
                    const std::optional<std::string>& path)
{
    const int topLine = view.LineOfRow(view.TopRow());
    // WrapByte 0 is set only here: wrapping at the window width.
    const bool wrapsByOptions = view.WrapByte() != 0;

    wrapChoice = -1;
    auto* dialog = new TForm19(wrapChoice, wrapsByOptions, parent);
    pelto::CentreOnScreen(dialog);
    dialog->exec();
    delete dialog;

    const bool toWindowWidth = wrapsByOptions && wrapChoice == 1;
    const bool toOptions = !wrapsByOptions && wrapChoice == 0;
    const bool switching = toWindowWidth || toOptions;
    if (switching) {
        // The file is read again into a store of its own first: if it cannot
        // be read now, the lines already in memory are laid out the chosen way.
        std::unique_ptr<pelto::TBvStrings> lines;
        // A file unchanged since it was read would give the same lines:
        // they are only laid out again.
        const bool unchanged = path && view.Strings().HoldsUnchangedFile(*path);
        bool readFailed = false;
        if (path && !unchanged) {
            try {
                lines = pelto::ReadDocument(parent, parent ? parent->windowTitle() : QString(), *path);
            } catch (const std::exception&) {
                pelto::ShowAbortWarning(parent, kReloadFailed);
                readFailed = true;
            }
        }
        // Emptied first so that the new wrapping lays out nothing twice.
        if (!unchanged && !readFailed)
            view.Clear();
        if (toWindowWidth)
            view.SetWrapping(true, 0);
        else
            view.SetWrapping(mirror.CheckWrapChar, std::clamp(pelto::StrToIntDef(mirror.EditWrapChar, 80), 2, 255));
        view.AdoptLines(std::move(lines));
    }
    // Back to the first row of the logical line that was at the top.
    if (topLine >= 0)
        view.SetTopRow(view.RowOfLine(topLine));
    return switching;
}

#include "filelist/Fileext.h"

#include "filelist/FileList.h"
#include "platform/Application.h"
#include "platform/Dialogs.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <exception>

namespace {

constexpr int kRowsPerColumn = 10;
constexpr int kColumnWidth = 84;
constexpr int kEditWidth = 76;
constexpr int kRowHeight = 27;
constexpr int kLeft = 12;
constexpr int kTop = 40;

}  // namespace

TForm16::TForm16(Entries& entries, QWidget* parent) : QDialog(parent), entries_(entries)
{
    setObjectName(QStringLiteral("Form16"));
    setWindowTitle(QStringLiteral("Pelto (ﾌｧｲﾙ拡張子設定)"));
    setFont(pelto::WindowFont());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* heading = new QLabel(QStringLiteral("ファイル一覧取得の設定（取得しない拡張子を設定）"), this);
    heading->setObjectName(QStringLiteral("Label1"));
    heading->setGeometry(kLeft, 10, 7 * kColumnWidth, 22);

    // Numbered down each column: Edit1..Edit10 in the first, Edit61..Edit64 in the seventh.
    for (int index = 0; index < pelto::kExtensionCount; ++index) {
        auto* edit = new QLineEdit(QString::fromStdString(entries_[index]), this);
        edit->setObjectName(QStringLiteral("Edit%1").arg(index + 1));
        const int column = index / kRowsPerColumn;
        const int row = index % kRowsPerColumn;
        edit->setGeometry(kLeft + column * kColumnWidth, kTop + row * kRowHeight, kEditWidth, 24);
        edit->installEventFilter(this);
        Edits[index] = edit;
    }

    const int buttonTop = kTop + kRowsPerColumn * kRowHeight + 10;
    BtnOk = new QPushButton(QStringLiteral("保存(&S)"), this);
    BtnOk->setObjectName(QStringLiteral("BtnOk"));
    BtnOk->setAutoDefault(false);
    BtnOk->setGeometry(kLeft + 7 * kColumnWidth - 2 * 96 - 8, buttonTop, 96, 28);
    BtnCansel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    BtnCansel->setObjectName(QStringLiteral("BtnCansel"));
    BtnCansel->setAutoDefault(false);
    BtnCansel->setGeometry(kLeft + 7 * kColumnWidth - 96, buttonTop, 96, 28);
    connect(BtnOk, &QPushButton::clicked, this, &TForm16::BtnOkClick);
    connect(BtnCansel, &QPushButton::clicked, this, &QDialog::reject);

    // Tab order: the boxes in number order, then the two buttons.
    QWidget* previous = Edits[0];
    for (int index = 1; index < pelto::kExtensionCount; ++index) {
        setTabOrder(previous, Edits[index]);
        previous = Edits[index];
    }
    setTabOrder(previous, BtnOk);
    setTabOrder(BtnOk, BtnCansel);
    Edits[0]->setFocus();

    setFixedSize(2 * kLeft + 7 * kColumnWidth - (kColumnWidth - kEditWidth), buttonTop + 28 + 12);
}

void TForm16::BtnOkClick()
{
    Entries typed;
    for (int index = 0; index < pelto::kExtensionCount; ++index)
        typed[index] = Edits[index]->text().toStdString();   // exactly as typed
    try {
        pelto::IniFile file = pelto::SettingsIniFile();
        pelto::WriteExcludedExtensions(file, typed);
    } catch (const std::exception& error) {
        // Nothing typed is lost: the dialog stays open.
        pelto::Application::ShowErrorBox(QString::fromUtf8(error.what()));
        return;
    }
    entries_ = typed;
    accept();
}

bool TForm16::eventFilter(QObject* watched, QEvent* event)
{
    // Enter in a box does nothing; the edit would otherwise pass it on.
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TForm16::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        reject();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        return;
    QDialog::keyPressEvent(event);
}

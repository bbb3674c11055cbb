#include "settings/FontDialog.h"

#include "platform/Colors.h"

#include <QComboBox>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace pelto {

namespace {

struct BasicColor {
    const char* name;    // the toolkit's colour name, as stored
    const char* shown;   // as the classic font dialog lists it
    QRgb rgb;
};

constexpr BasicColor kBasicColors[] = {
    {"clBlack", "黒", 0x000000},      {"clMaroon", "栗色", 0x800000}, {"clGreen", "緑", 0x008000},
    {"clOlive", "オリーブ", 0x808000}, {"clNavy", "濃紺", 0x000080},   {"clPurple", "紫", 0x800080},
    {"clTeal", "青緑", 0x008080},     {"clGray", "灰色", 0x808080},   {"clSilver", "銀色", 0xC0C0C0},
    {"clRed", "赤", 0xFF0000},        {"clLime", "黄緑", 0x00FF00},   {"clYellow", "黄", 0xFFFF00},
    {"clBlue", "青", 0x0000FF},       {"clFuchsia", "赤紫", 0xFF00FF}, {"clAqua", "水色", 0x00FFFF},
    {"clWhite", "白", 0xFFFFFF},
};

QIcon Swatch(const QColor& color)
{
    QPixmap pixmap(24, 14);
    pixmap.fill(color);
    QPainter painter(&pixmap);
    painter.setPen(Qt::gray);
    painter.drawRect(pixmap.rect().adjusted(0, 0, -1, -1));
    return QIcon(pixmap);
}

QPushButton* Button(const QString& caption, const char* name, QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

}  // namespace

QString ColorTextOf(const QColor& color)
{
    for (const BasicColor& basic : kBasicColors) {
        if (QColor(basic.rgb) == QColor(color.rgb()))
            return QString::fromLatin1(basic.name);
    }
    return ColorToText(color);
}

TFontColorDialog::TFontColorDialog(const QFont& font, const QString& colorText, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("FontColorDialog"));
    setWindowTitle(QStringLiteral("フォント"));

    // Qt's own dialog, used as a widget inside this one.
    FontDialog1 = new QFontDialog(this);
    FontDialog1->setObjectName(QStringLiteral("FontDialog1"));
    FontDialog1->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    FontDialog1->setWindowFlags(Qt::Widget);
    FontDialog1->setCurrentFont(font);
    // The embedded chooser is a dialog of its own: Escape (or Enter) would
    // close it alone and leave this window without it.  Whatever ends it
    // ends the whole dialog the same way.
    connect(FontDialog1, &QDialog::finished, this, [this](int result) {
        if (result == QDialog::Accepted)
            accept();
        else
            reject();
    });

    ComboColor = new QComboBox(this);
    ComboColor->setObjectName(QStringLiteral("ComboColor"));
    for (const BasicColor& basic : kBasicColors)
        ComboColor->addItem(Swatch(QColor(basic.rgb)), QString::fromUtf8(basic.shown), QString::fromLatin1(basic.name));
    // A stored colour that is none of the sixteen (a system colour, "$00..."
    // value) stays selectable as it is.
    const QColor current = ColorFromText(colorText).value_or(QColor(Qt::black));
    int index = ComboColor->findData(colorText, Qt::UserRole, Qt::MatchFixedString);
    if (index < 0) {
        ComboColor->addItem(Swatch(current), QStringLiteral("現在の色"), colorText);
        index = ComboColor->count() - 1;
    }
    ComboColor->setCurrentIndex(index);
    auto* colorLabel = new QLabel(QStringLiteral("色(&C):"), this);
    colorLabel->setBuddy(ComboColor);

    BtnOk = Button(QStringLiteral("OK"), "BtnOk", this);
    BtnCansel = Button(QStringLiteral("ｷｬﾝｾﾙ"), "BtnCansel", this);
    connect(BtnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(BtnCansel, &QPushButton::clicked, this, &QDialog::reject);

    auto* colorRow = new QHBoxLayout;
    colorRow->addWidget(colorLabel);
    colorRow->addWidget(ComboColor);
    colorRow->addStretch(1);
    colorRow->addWidget(BtnOk);
    colorRow->addWidget(BtnCansel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FontDialog1);
    layout->addLayout(colorRow);
}

QFont TFontColorDialog::SelectedFont() const
{
    return FontDialog1->currentFont();
}

QString TFontColorDialog::SelectedColorText() const
{
    return ComboColor->currentData().toString();
}

QColor TFontColorDialog::SelectedColor() const
{
    return ColorFromText(SelectedColorText()).value_or(QColor(Qt::black));
}

}  // namespace pelto

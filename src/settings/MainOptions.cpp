// The options dialog, the font and the background colour.
#include "app/Main.h"

#include "app/Dialgdsp.h"
#include "platform/Colors.h"
#include "settings/FontDialog.h"
#include "settings/Option.h"
#include "settings/OptionRules.h"
#include "text/NumberField.h"
#include "view/BigView.h"

#include <QColorDialog>

void TForm1::MenuOptionSetClick()
{
    auto* options = new TForm2(*this, this);
    pelto::CentreOnScreen(options);
    options->TabNote->setCurrentIndex(OptionPage);
    options->exec();
    delete options;
}

void TForm1::MenuFontClick()
{
    const int size = pelto::StrToIntDef(Mirror.TextFontSize, 14);
    // The dialog offers real faces: "system" shows as the face the view uses for it.
    QFont preset(pelto::TBigView::MakeViewFont(QString::fromStdString(Mirror.TextFontName), size).family());
    preset.setPointSize(size > 0 ? size : 14);

    auto* dialog = new pelto::TFontColorDialog(preset, QString::fromStdString(Mirror.TextFontColor), this);
    dialog->adjustSize();
    pelto::CentreOnScreen(dialog);
    const bool chosen = dialog->exec() == QDialog::Accepted;
    const QFont font = dialog->SelectedFont();
    const QString colorText = dialog->SelectedColorText();
    const QColor color = dialog->SelectedColor();
    delete dialog;
    if (!chosen)
        return;

    // Only face, size and colour are kept; a style chosen in the dialog is not.
    const int pointSize = font.pointSize() > 0 ? font.pointSize() : size;
    // "system" stays "system" while the face shown for it is kept.
    const QString stored = QString::fromStdString(Mirror.TextFontName).trimmed();
    const bool storedSystem = stored.isEmpty() || stored.compare(QLatin1String("system"), Qt::CaseInsensitive) == 0;
    const bool systemKept = storedSystem && font.family() == preset.family();
    if (!systemKept)
        Mirror.TextFontName = font.family().toStdString();
    Mirror.TextFontSize = std::to_string(pointSize);
    Mirror.TextFontColor = colorText.toStdString();
    BigView1->SetViewFont(pelto::TBigView::MakeViewFont(QString::fromStdString(Mirror.TextFontName), pointSize));
    BigView1->SetFontColor(color);
    RebuildTitle();
    pelto::IniFile file = pelto::SettingsIniFile();
    pelto::WriteTextFont(file, Mirror);
}

void TForm1::MenuBackColorClick()
{
    QColorDialog dialog(this);
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    dialog.setCurrentColor(BigView1->Color());
    dialog.adjustSize();
    pelto::CentreOnScreen(&dialog);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QColor color = dialog.selectedColor();
    Mirror.TextBackColor = pelto::ColorTextOf(color).toStdString();
    BigView1->SetColor(color);
    pelto::SettingsIniFile().WriteString(pelto::kSectionTextJyouhou, "TextBackColor", Mirror.TextBackColor);
}

#pragma once
// The font command's dialog: Qt's font dialog, which has no colour, with the
// colour choice of the classic font dialog beside it.

#include <QColor>
#include <QDialog>
#include <QFont>
#include <QString>

class QComboBox;
class QFontDialog;
class QPushButton;

namespace pelto {

// The colour text stored for a chosen colour: the toolkit's name of one of the
// sixteen basic colours ("clRed"), else "$00BBGGRR".
QString ColorTextOf(const QColor& color);

class TFontColorDialog : public QDialog {
    Q_OBJECT
public:
    // `colorText` is the stored colour text; it is kept as it is unless another
    // colour is chosen.
    TFontColorDialog(const QFont& font, const QString& colorText, QWidget* parent = nullptr);

    QFont SelectedFont() const;
    // The colour text of the chosen colour.
    QString SelectedColorText() const;
    QColor SelectedColor() const;

    QFontDialog* FontDialog1;
    QComboBox* ComboColor;
    QPushButton* BtnOk;
    QPushButton* BtnCansel;
};

}  // namespace pelto

#pragma once
// The wrap switch dialog: wrap at the window width, or as the options say.
// Only the button for the way not in use is enabled.

#include <QDialog>

#include <optional>
#include <string>

class QPushButton;

namespace pelto {
class TBigView;
struct Settings;
}

class TForm19 : public QDialog {
    Q_OBJECT
public:
    // `wrapChoice` receives 1 (window width) or 0 (by the options) when a
    // button is pressed, and is left alone otherwise.
    TForm19(int& wrapChoice, bool wrapsByOptions, QWidget* parent = nullptr);

    QPushButton* BtnWrapOn;
    QPushButton* BtnWrapOff;
    QPushButton* BtnCansel;

private:
    void BtnWrapOnClick();
    void BtnWrapOffClick();

    int& wrapChoice_;
};

// Asks with the wrap switch dialog how `view` should wrap and, when the answer
// changes it, lays the text out again: at the window width, or as `mirror`'s
// options say. The text is the file at `path` read again (no path: no text).
// The view keeps the logical line it showed at the top. When the file cannot
// be read, a warning says so and the lines already shown are laid out the
// chosen way. `wrapChoice` gets
// the dialog's answer (-1: cancelled). Returns whether the view was laid out anew.
bool SwitchWrapping(QWidget* parent, pelto::TBigView& view, const pelto::Settings& mirror, int& wrapChoice,
                    const std::optional<std::string>& path);

#pragma once
// The tree post viewer: the thread text file (04) in a view of its own with
// the main view's appearance, and its own wrap switch.

#include "forum/ForumLists.h"

class TForm1;

namespace pelto {
class TBigView;
}

class TForm22 : public pelto::TPlacedDialog {
    Q_OBJECT
public:
    // Sets the view up from the main window's settings, in the order the main
    // view is set up; the caller loads the file.
    explicit TForm22(TForm1& owner);

    pelto::TBigView* BigView1;

    // Switches between wrapping at the window width and wrapping as the
    // options say, reloading the 04 file and keeping the top line.
    void MenuWrapChangeClick();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void ConfigureView();
    // The keys of the window and of its view; true when the key was used.
    bool FormKeyDown(QKeyEvent* event);

    TForm1& owner_;
};

#pragma once
// The hit list: every line of the document, or of every file of the captured
// list, that holds the search string, with the post it belongs to.  It stays
// open beside the main window: Enter jumps there and leaves the list behind.

#include "forum/ForumLists.h"
#include "navigation/HitList.h"

class QLabel;
class QPushButton;
class TForm1;

class TFormHit : public pelto::TListWindow {
    Q_OBJECT
public:
    // `status` is the status line (platform text); folder lists show each
    // hit's file name first.
    TFormHit(TForm1& owner, pelto::HitListing listing, bool folder, const QString& status);

    QPushButton* BtnJump;
    QPushButton* BtnDisp;
    QPushButton* BtnCansel;
    QLabel* LabelStatus;

    const pelto::HitListing& Listing() const { return listing_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool ListBoxKeyDown(QKeyEvent* event) override;
    void ListBox1Click() override;

private:
    // The selected hit; nullptr when nothing is selected.
    const pelto::HitEntry* SelectedHit() const;
    void ChooseJump();
    void ChooseShow();

    TForm1& owner_;
    pelto::HitListing listing_;
};

// Text search and range copy in the main window: the search dialog's ways out,
// its history and case option, the dialog and repeat searches with their hit
// marker, and whole-line copies to the clipboard.

#include "app/Dialgdsp.h"
#include "app/Main.h"
#include "navigation/Research.h"
#include "navigation/Search.h"
#include "platform/Application.h"
#include "platform/Clipboard.h"
#include "settings/ExePaths.h"
#include "settings/IniFile.h"
#include "view/BigView.h"

#include "UiTestSupport.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <vector>

namespace {

// Acts on the modal windows that open while it lives, one action per window
// in order. A window left over is rejected (the pause window closes itself),
// so a failed check never leaves a test waiting.
class Modals : public uitest::ModalDriver {
public:
    using Action = Step;

    explicit Modals(std::vector<Action> actions = {})
        : ModalDriver(std::move(actions), {.everyMs = 10,
                                           .patience = 100,
                                           .closesItself = [](QWidget* widget) {
                                               return qobject_cast<TForm14*>(widget) != nullptr;
                                           }})
    {
    }

    // One entry per window seen: its class, and for a notice its text.
    QStringList seen;

protected:
    void Note(QWidget* widget) override
    {
        QString entry = QString::fromLatin1(widget->metaObject()->className());
        if (auto* notice = qobject_cast<TForm17*>(widget))
            entry += u':' + notice->Label1->text();
        seen << entry;
    }
};

// Types `text` into the search dialog and presses one of its buttons.
Modals::Action SearchFor(const QString& text, const char* button = "BtnSearch")
{
    return [text, button](QWidget* widget) {
        auto* dialog = qobject_cast<TForm4*>(widget);
        if (!dialog)
            return;
        dialog->Edit1->setText(text);
        dialog->findChild<QPushButton*>(QString::fromLatin1(button))->click();
    };
}

// Runs a command while Modals answers its windows; the windows it saw.
QStringList Run(const std::function<void()>& command, std::vector<Modals::Action> actions = {})
{
    Modals modals(std::move(actions));
    command();
    return modals.seen;
}

const QString kNotFound = QStringLiteral("TForm17:    検索文字はありませんでした。   ");

}  // namespace

class SearchTest : public QObject, uitest::ProgramFolder {
    Q_OBJECT

private:
    // Rows (wrapping at 80): 0 head, 1 "needle one", 2 plain, 3-4 a line that
    // wraps inside "needle", 5 "あneedle", 6-30 filler, 31 "NEEDLE caps", then
    // filler so the view can put any of them at the top.
    QString SearchDocument()
    {
        QByteArray bytes = "head\r\nneedle one\r\nplain\r\n" + QByteArray(78, 'x') + "needle\r\n"
                           "\x82\xa0needle\r\n";
        for (int line = 5; line < 30; ++line)
            bytes += "filler " + QByteArray::number(line) + "\r\n";
        bytes += "NEEDLE caps\r\n";
        for (int line = 31; line < 80; ++line)
            bytes += "filler " + QByteArray::number(line) + "\r\n";
        return WriteFile(QStringLiteral("search.log"), bytes);
    }

    // Line k (1-based) is "あ line k"; line 5 is long enough to wrap twice.
    QString CopyDocument()
    {
        QByteArray bytes;
        for (int line = 1; line <= 1200; ++line) {
            bytes += "\x82\xa0 line " + QByteArray::number(line);
            if (line == 5)
                bytes += QByteArray(170, 'w');
            bytes += "\r\n";
        }
        return WriteFile(QStringLiteral("copy.log"), bytes);
    }

    static void PutLineAtTop(TForm1& form, int line1)
    {
        form.BigView1->SetTopRow(form.BigView1->RowOfLine(line1 - 1));
    }

private slots:
    void initTestCase() { UseAsProgramFolder(); }

    void init() { QFile::remove(IniPath()); }

    void cleanupTestCase() { StopUsingProgramFolder(); }

    // ---- the dialog on its own ----------------------------------------------

    void dialogWaysOut_data()
    {
        QTest::addColumn<QString>("way");
        QTest::addColumn<QString>("handedBack");
        QTest::addColumn<int>("direction");
        const int next = 0, prior = 1;
        QTest::newRow("next button") << "BtnSearch" << "typed" << next;
        QTest::newRow("prior button") << "BtnPriorSearch" << "typed" << prior;
        QTest::newRow("enter in edit") << "enter:Edit1" << "typed" << prior;
        QTest::newRow("enter in list") << "enter:ListBox1" << "second" << prior;
        QTest::newRow("double-click in list") << "double:ListBox1" << "second" << prior;
        QTest::newRow("history button") << "BtnRireki" << "second" << prior;
        QTest::newRow("cancel button") << "BtnCansel" << "" << prior;
        QTest::newRow("escape in edit") << "escape:Edit1" << "" << prior;
        QTest::newRow("escape in list") << "escape:ListBox1" << "" << prior;
        QTest::newRow("escape on a button") << "escape:BtnSearch" << "" << prior;
        QTest::newRow("escape on the check box") << "escape:CheckUperLower" << "" << prior;
        QTest::newRow("enter on a button stays") << "enter:BtnSearch" << "<open>" << prior;
        QTest::newRow("enter on the check box stays") << "enter:CheckUperLower" << "<open>" << prior;
    }

    void dialogWaysOut()
    {
        QFETCH(QString, way);
        QFETCH(QString, handedBack);
        QFETCH(int, direction);

        std::array<std::string, 33> history{"stale", "first", "second"};
        bool caseSensitive = false;
        auto findDirection = pelto::SearchDirection::Prior;
        TForm4 dialog(history, caseSensitive, findDirection, 9);
        QCOMPARE(dialog.Edit1->text(), QStringLiteral("first"));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.Edit1->setText(QStringLiteral("typed"));
        dialog.ListBox1->setCurrentRow(1);

        const QString target = way.section(u':', -1);
        auto* control = dialog.findChild<QWidget*>(target);
        QVERIFY(control);
        if (way.startsWith(QStringLiteral("enter:")))
            QTest::keyClick(control, Qt::Key_Return);
        else if (way.startsWith(QStringLiteral("escape:")))
            QTest::keyClick(control, Qt::Key_Escape);
        else if (way.startsWith(QStringLiteral("double:"))) {
            // An item view takes a double-click only on the item it saw pressed.
            const QPoint second = dialog.ListBox1->visualItemRect(dialog.ListBox1->item(1)).center();
            QTest::mousePress(dialog.ListBox1->viewport(), Qt::LeftButton, {}, second);
            QTest::mouseRelease(dialog.ListBox1->viewport(), Qt::LeftButton, {}, second);
            QTest::mouseDClick(dialog.ListBox1->viewport(), Qt::LeftButton, {}, second);
        }
        else
            qobject_cast<QPushButton*>(control)->click();

        if (handedBack == QStringLiteral("<open>")) {
            QVERIFY(dialog.isVisible());
            QCOMPARE(history[0], std::string("stale"));
            return;
        }
        QVERIFY(!dialog.isVisible());
        QCOMPARE(QString::fromStdString(history[0]), handedBack);
        QCOMPARE(static_cast<int>(findDirection), direction);
        QCOMPARE(dialog.result(), handedBack.isEmpty() ? int(QDialog::Rejected) : int(QDialog::Accepted));
    }

    void historyListClearAndCaseOption()
    {
        std::array<std::string, 33> history{"", "one", "", "three", "four"};
        bool caseSensitive = false;
        auto findDirection = pelto::SearchDirection::Next;
        {
            TForm4 dialog(history, caseSensitive, findDirection, 3);
            QCOMPARE(dialog.ListBox1->count(), 2);
            QCOMPARE(dialog.ListBox1->item(1)->text(), QStringLiteral("three"));
            QCOMPARE(dialog.ListBox1->currentRow(), 0);
            QVERIFY(!dialog.CheckUperLower->isChecked());

            dialog.CheckUperLower->click();
            QVERIFY(caseSensitive);   // at once, before any way out

            dialog.BtnClear->click();
            for (int entry = 1; entry <= 32; ++entry)
                QVERIFY(history[entry].empty());
            QCOMPARE(dialog.ListBox1->count(), 1);
            QCOMPARE(dialog.ListBox1->item(0)->text(), QString());
            QCOMPARE(dialog.ListBox1->currentRow(), 0);
            QCOMPARE(dialog.Edit1->text(), QStringLiteral("one"));
        }
        history[1] = "kept";
        TForm4 none(history, caseSensitive, findDirection, 0);
        QCOMPARE(none.ListBox1->count(), 1);
        QCOMPARE(none.ListBox1->item(0)->text(), QString());
        QVERIFY(none.CheckUperLower->isChecked());
    }

    void searchStringHoldsAt255Bytes()
    {
        std::array<std::string, 33> history{};
        bool caseSensitive = false;
        auto findDirection = pelto::SearchDirection::Next;
        TForm4 dialog(history, caseSensitive, findDirection, 9);
        dialog.show();
        QTest::keyClicks(dialog.Edit1, QString(260, u'a'));
        QCOMPARE(dialog.Edit1->text().size(), 255);

        // 127 double-byte characters are 254 bytes: a 128th does not fit.
        dialog.Edit1->setText(QString(127, QChar(0x3042)));
        dialog.Edit1->end(false);
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(QChar(0x3044)));
        QApplication::sendEvent(dialog.Edit1, &press);
        QCOMPARE(dialog.Edit1->text(), QString(127, QChar(0x3042)));
        QTest::keyClick(dialog.Edit1, Qt::Key_A);
        QCOMPARE(dialog.Edit1->text().size(), 128);
    }

    // ---- searching in the main window --------------------------------------------

    void dialogAndRepeatSearches()
    {
        TForm1 form({SearchDocument()});
        form.show();
        form.FindScrollRows = 3;
        QVERIFY(!form.MenuReFind->isEnabled());
        QCOMPARE(form.BigView1->RowCount(), 81);
        auto find = [&form] { form.MenuFindClick(); };
        auto next = [&form] { form.MenuReFindClick(); };
        auto prior = [&form] { form.MenuReFindPriorClick(); };

        QCOMPARE(Run(find, {SearchFor(QStringLiteral("needle"))}), QStringList({"TForm4"}));
        // Row 1 is a hit; three rows above it do not exist, so the view stays at the top.
        QCOMPARE(form.BigView1->TopRow(), 0);
        QCOMPARE(form.HitRow, 2);
        QVERIFY(form.HitShown && form.FindDone);
        QVERIFY(form.BigView1->Caret());
        QCOMPARE(form.BigView1->CaretPoint().X, 1);
        QCOMPARE(form.BigView1->CaretPoint().Y, 1);
        QVERIFY(form.windowTitle().endsWith(QStringLiteral("  全行数 : 81 (80)  検索行 : 2 (2)  検索位置 : 1")));
        QVERIFY(form.MenuReFind->isEnabled() && form.MenuReFindPrior->isEnabled());
        QCOMPARE(form.Mirror.FindHistory[1], std::string("needle"));
        QCOMPARE(Read("FindStrName", "1"), std::string("needle"));
        QCOMPARE(Read("FindStrName", "32"), std::string());
        QCOMPARE(Read("SearchUperLower", "Set"), std::string("0"));

        // Next: the string split over rows 3-4 is passed over; the hit after a
        // double-byte character reports the byte position of its first letter.
        QCOMPARE(Run(next), QStringList({"TForm14"}));
        QCOMPARE(form.HitRow, 6);
        QCOMPARE(form.BigView1->TopRow(), 2);
        QVERIFY(form.windowTitle().endsWith(QStringLiteral("  検索行 : 6 (5)  検索位置 : 3")));

        QCOMPARE(Run(next), QStringList({"TForm14"}));   // case folded: "NEEDLE caps"
        QCOMPARE(form.HitRow, 32);
        QCOMPARE(form.BigView1->TopRow(), 28);

        QCOMPARE(Run(next), QStringList({kNotFound}));
        QCOMPARE(form.BigView1->TopRow(), 28);
        QVERIFY(form.HitShown);
        QVERIFY(!form.BigView1->Caret());

        // Starts beside the last hit again, not beside the top row.
        QCOMPARE(Run(prior), QStringList({"TForm14"}));
        QCOMPARE(form.HitRow, 6);
        QCOMPARE(form.BigView1->TopRow(), 2);

        // Upwards from the dialog, case-sensitive: the top row itself is examined first.
        form.BigView1->SetTopRow(31);
        Run(find, {[](QWidget* widget) {
            auto* dialog = qobject_cast<TForm4*>(widget);
            QCOMPARE(dialog->Edit1->text(), QStringLiteral("needle"));
            dialog->CheckUperLower->click();
            dialog->Edit1->setText(QStringLiteral("NEEDLE"));
            dialog->BtnPriorSearch->click();
        }});
        QCOMPARE(form.HitRow, 32);
        QCOMPARE(Read("SearchUperLower", "Set"), std::string("1"));
        QCOMPARE(Read("FindStrName", "1"), std::string("NEEDLE"));
        QCOMPARE(Read("FindStrName", "2"), std::string("needle"));

        // Case-sensitive, only lower-case needles lie above.
        QCOMPARE(Run(prior), QStringList({kNotFound}));
    }

    void cancelAndEmptyStringsDoNotSearch()
    {
        TForm1 form({SearchDocument()});
        form.show();
        form.BigView1->SetTopRow(10);
        auto find = [&form] { form.MenuFindClick(); };
        Run(find, {SearchFor(QString())});
        QVERIFY(!form.FindDone && !form.MenuReFind->isEnabled());
        QCOMPARE(Read("FindStrName", "1"), std::string());   // written all the same

        QCOMPARE(Run([&form] { form.MenuFindClick(); form.MenuReFindClick(); }),
                 QStringList({"TForm4", "TForm17:    検索文字が設定されていません。   "}));

        // A character the document's encoding lacks finds nothing.
        QCOMPARE(Run(find, {SearchFor(QStringLiteral("needle\U0001F600"))}), QStringList({"TForm4", kNotFound}));
        QVERIFY(form.FindDone && form.MenuReFind->isEnabled());
        QCOMPARE(form.BigView1->TopRow(), 10);
        QVERIFY(!form.BigView1->Caret());
    }

    void markerStaysUntilTheViewScrolls()
    {
        TForm1 form({SearchDocument()});
        form.show();
        Run([&form] { form.MenuFindClick(); }, {SearchFor(QStringLiteral("caps"))});
        QCOMPARE(form.BigView1->TopRow(), 31);
        QTest::qWait(250);
        QVERIFY(form.HitShown && form.BigView1->Caret() && form.Timer1->isActive());

        form.BigView1->SetTopRow(20);
        QTRY_VERIFY(!form.HitShown);
        QVERIFY(!form.BigView1->Caret() && !form.Timer1->isActive());
        QCOMPARE(form.HitTopRow, 20);

        // A repeat now starts beside the new top row: row 21 downwards.
        Run([&form] { form.MenuReFindClick(); });
        QCOMPARE(form.HitRow, 32);
    }

    void historyAndCaseSurviveARestart()
    {
        const QString path = SearchDocument();
        {
            TForm1 form({path});
            for (int search = 1; search <= 34; ++search)
                Run([&form] { form.MenuFindClick(); }, {SearchFor(QStringLiteral("s%1").arg(std::min(search, 33)))});
            Run([&form] { form.MenuFindClick(); }, {[](QWidget* widget) {
                    auto* dialog = qobject_cast<TForm4*>(widget);
                    dialog->CheckUperLower->click();
                    dialog->BtnCansel->click();
                }});
        }
        TForm1 form({path});
        QCOMPARE(form.Mirror.FindHistory[1], std::string("s33"));
        QCOMPARE(form.Mirror.FindHistory[2], std::string("s33"));
        QCOMPARE(form.Mirror.FindHistory[32], std::string("s3"));
        QVERIFY(form.Mirror.SearchUperLower);
        const QStringList seen = Run([&form] { form.MenuFindClick(); }, {[](QWidget* widget) {
            auto* dialog = qobject_cast<TForm4*>(widget);
            QVERIFY(dialog->CheckUperLower->isChecked());
            QCOMPARE(dialog->ListBox1->count(), 9);
            dialog->reject();
        }});
        QCOMPARE(seen.size(), 1);
    }

    // ---- range copy -------------------------------------------------------------

    void rangeCopy_data()
    {
        QTest::addColumn<int>("startLine");
        QTest::addColumn<int>("endLine");
        QTest::addColumn<QString>("notice");
        QTest::newRow("one line") << 7 << 7 << QString();
        QTest::newRow("999 lines down") << 2 << 1000 << QString();
        QTest::newRow("999 lines up") << 1000 << 2 << QString();
        QTest::newRow("1000 lines down") << 1 << 1000 << "    コピーできる範囲は９９９行までです。   ";
        QTest::newRow("1000 lines up") << 1001 << 2 << "    コピーできる範囲は９９９行までです。   ";
    }

    void rangeCopy()
    {
        QFETCH(int, startLine);
        QFETCH(int, endLine);
        QFETCH(QString, notice);

        TForm1 form({CopyDocument()});
        form.show();
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));

        PutLineAtTop(form, startLine);
        form.MenuSelectStartClick();
        QVERIFY(form.Selecting);
        PutLineAtTop(form, endLine);
        const int count = std::abs(endLine - startLine) + 1;
        QCOMPARE(form.windowTitle(),
                 QStringLiteral(" 選択中です。 開始行 : %1 行 ～ 現在行 : %2 行  （選択行数 : %3 行）")
                     .arg(startLine, 6, 10, QChar(u'0'))
                     .arg(endLine, 6, 10, QChar(u'0'))
                     .arg(count, 6, 10, QChar(u'0')));

        Modals modals;
        form.MenuSelectEndClick();
        QVERIFY(!form.Selecting);
        QCOMPARE(form.windowTitle(), form.TitleText());

        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        if (!notice.isEmpty()) {
            QCOMPARE(modals.seen, QStringList({"TForm17:" + notice}));
            QCOMPARE(data->text(), QStringLiteral("before"));
            return;
        }
        QVERIFY(modals.seen.isEmpty());
        QByteArray expected;
        QString expectedText;
        for (int line = std::min(startLine, endLine); line <= std::max(startLine, endLine); ++line) {
            QByteArray tail = " line " + QByteArray::number(line) + (line == 5 ? QByteArray(170, 'w') : "");
            expected += "\x82\xa0" + tail + "\r\n";
            expectedText += QChar(0x3042) + QString::fromLatin1(tail) + QStringLiteral("\r\n");
        }
        QCOMPARE(data->text(), expectedText);
        QCOMPARE(data->data(QString::fromLatin1(pelto::kShiftJisMimeType)), expected);
    }

    void selectionModeMenusCaptionAndCancel()
    {
        TForm1 form({CopyDocument()});
        form.show();
        // The top row is the third row of line 5: the whole line counts.
        form.BigView1->SetTopRow(form.BigView1->RowOfLine(4) + 2);
        QCOMPARE(form.BigView1->LineOfRow(form.BigView1->TopRow()), 4);
        form.PopFileMinus->setEnabled(false);   // off for a reason of its own

        form.MenuSelectStartClick();
        QCOMPARE(form.SelectStartLine, 5);
        for (QAction* item : {form.MenuFile->menuAction(), form.MenuDisp->menuAction(), form.MenuLaunchExe,
                              form.MenuSelectStart, form.MenuOption->menuAction(), form.PopFileOpen,
                              form.PopExit, form.PopTreeGet, form.PopShioriSet, form.PopSelectStart})
            QVERIFY2(!item->isEnabled(), qPrintable(item->objectName()));
        QVERIFY(form.MenuSearch->menuAction()->isEnabled());
        QVERIFY(form.MenuSelectEnd->isEnabled() && form.PopSelectEnd->isEnabled() && form.PopFind->isEnabled());

        PutLineAtTop(form, 3);
        QVERIFY(form.windowTitle().endsWith(QStringLiteral("（選択行数 : 000003 行）")));

        form.SelectCancel();
        QVERIFY(!form.Selecting);
        QCOMPARE(form.windowTitle(), form.TitleText());
        for (QAction* item : {form.MenuFile->menuAction(), form.MenuDisp->menuAction(), form.MenuLaunchExe,
                              form.MenuSelectStart, form.MenuOption->menuAction(), form.PopFileOpen,
                              form.PopTreeGet, form.PopSelectStart})
            QVERIFY2(item->isEnabled(), qPrintable(item->objectName()));
        QVERIFY(!form.PopFileMinus->isEnabled());

        // Scrolling after the selection ended leaves the title alone.
        PutLineAtTop(form, 9);
        QCOMPARE(form.windowTitle(), form.TitleText());
    }

    void endWithoutAStartIsRefused()
    {
        const QString refused = QStringLiteral("TForm17:    選択開始の行番号が範囲外です。   ");
        {
            TForm1 form({CopyDocument()});
            QGuiApplication::clipboard()->setText(QStringLiteral("untouched"));
            QCOMPARE(Run([&form] { form.MenuSelectEndClick(); }), QStringList({refused}));
            QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("untouched"));
            QVERIFY(form.MenuFile->menuAction()->isEnabled());
        }
        // Without a document: the range ends refused, and the items that need
        // a document stay off.
        TForm1 form({});
        form.MenuSelectStartClick();
        QVERIFY(!form.MenuFile->menuAction()->isEnabled());
        QCOMPARE(Run([&form] { form.MenuSelectEndClick(); }), QStringList({refused}));
        QVERIFY(form.MenuFile->menuAction()->isEnabled());
        QVERIFY(!form.PopTreeDisp->isEnabled());
    }
};

int main(int argc, char** argv)
{
    return uitest::RunWithPrivateRuntime<SearchTest>(argc, argv);
}

#include "SearchTest.moc"

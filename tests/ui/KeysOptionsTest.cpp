// The key command map in both modes, the key-list windows, the options dialog,
// and the font and background colour commands.

#include "app/Main.h"
#include "platform/Application.h"
#include "platform/Dialogs.h"
#include "settings/ExePaths.h"
#include "settings/FontDialog.h"
#include "settings/IniFile.h"
#include "settings/Option.h"
#include "view/BigView.h"

#include "UiTestSupport.h"

#include <QAction>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFile>
#include <QFontDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>
#include <vector>

namespace {

using Command = void (TForm1::*)();

// Names for the commands the key map can run, to report and compare them.
struct NamedCommand {
    const char* name;
    Command command;
};
const NamedCommand kCommands[] = {
    {"LaunchExe", &TForm1::MenuLaunchExeClick},   {"ProgramExecute", &TForm1::ProgramExecute},
    {"Jump", &TForm1::MenuJumpClick},             {"WrapChange", &TForm1::MenuWrapChangeClick},
    {"Find", &TForm1::MenuFindClick},             {"ReFind", &TForm1::MenuReFindClick},
    {"ReFindPrior", &TForm1::MenuReFindPriorClick}, {"FileOpen", &TForm1::MenuFileOpenClick},
    {"AllTitleGet", &TForm1::MenuAllTitleGetClick}, {"NewTitleGet", &TForm1::MenuNewTitleGetClick},
    {"TitleDisp", &TForm1::MenuTitleDispClick},   {"LineNumDisp", &TForm1::MenuLineNumDispClick},
    {"TreeDisp", &TForm1::MenuTreeDispClick},     {"TreeGet", &TForm1::MenuTreeGetClick},
    {"SelectStart", &TForm1::MenuSelectStartClick}, {"SelectEnd", &TForm1::MenuSelectEndClick},
    {"FileMinus", &TForm1::MenuFileMinusClick},   {"FilePlus", &TForm1::MenuFilePlusClick},
    {"FileGet", &TForm1::MenuFileGetClick},       {"FileDisp", &TForm1::MenuFileDispClick},
    {"ResumMem", &TForm1::MenuResumMemClick},     {"ResumJump", &TForm1::MenuResumJumpClick},
    {"ShioriMem", &TForm1::MenuShioriMemClick},   {"ShioriDisp", &TForm1::MenuShioriDispClick},
    {"KeyFunc", &TForm1::MenuKeyFuncClick},       {"MoveToAnother", &TForm1::FocusMoveToAnother},
    {"SelectAnother", &TForm1::FocusSelectAnother}, {"MoveToApli", &TForm1::FocusMoveToApli},
    {"SelectCancel", &TForm1::SelectCancel},
};

QString NameOf(Command command)
{
    for (const NamedCommand& named : kCommands) {
        if (named.command == command)
            return QString::fromLatin1(named.name);
    }
    return QStringLiteral("<unnamed>");
}

// Drives the modal windows that appear while it lives: each time another
// window becomes the active modal one (or the same one again after a window
// above it closed), the next step runs on it, queued so that a step may open
// a further modal window. Without steps left the window is rejected, so a
// failed check never leaves a test waiting.
class Script : public uitest::ModalDriver {
public:
    explicit Script(std::vector<Step> steps)
        : ModalDriver(std::move(steps), {.everyMs = 20, .patience = 50, .queueSteps = true, .forgetWhenNone = true})
    {
    }

    // What each window was: a message box by its text, others by object name.
    QStringList seen;

protected:
    void Note(QWidget* widget) override
    {
        auto* box = qobject_cast<QMessageBox*>(widget);
        seen << (box ? box->text() : widget->objectName());
    }
};

Script::Step Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    return [key, modifiers](QWidget* widget) { QTest::keyClick(widget, key, modifiers); };
}

// Clicks the message-box button with this caption.
Script::Step Answer(const char* caption)
{
    return [caption](QWidget* widget) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        QVERIFY(box);
        for (QAbstractButton* button : box->buttons()) {
            if (button->text() == QString::fromUtf8(caption))
                button->click();
        }
    };
}

// Runs `act` on the options dialog.
Script::Step OnOptions(std::function<void(TForm2*)> act)
{
    return [act](QWidget* widget) {
        auto* options = qobject_cast<TForm2*>(widget);
        QVERIFY(options);
        act(options);
    };
}

// A key press as the view receives it, offered to the key handler.
bool Press(TForm1& form, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString& text = {})
{
    QKeyEvent event(QEvent::KeyPress, key, modifiers, text);
    return form.FormKeyDown(&event);
}

}  // namespace

class KeysOptionsTest : public QObject, uitest::ProgramFolder {
    Q_OBJECT

private:
    QString MakeDocument(const QString& name, int lines, int lineLength = 10)
    {
        QByteArray bytes;
        for (int line = 1; line <= lines; ++line)
            bytes += QByteArray(lineLength, 'a' + line % 26) + "\r\n";
        return WriteFile(name, bytes);
    }

private slots:
    void initTestCase() { UseAsProgramFolder(); }

    void init() { QFile::remove(IniPath()); }

    void cleanupTestCase() { StopUsingProgramFolder(); }

    // ---- key map -----------------------------------------------------------

    void keysRunTheirRowsCommand_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("text");       // the character the key produces
        QTest::addColumn<bool>("document");
        QTest::addColumn<bool>("searched");
        QTest::addColumn<bool>("selecting");
        QTest::addColumn<QString>("command");    // empty: nothing runs

        const int none = Qt::NoModifier;
        const int ctrl = Qt::ControlModifier;
        const int shift = Qt::ShiftModifier;
        const int alt = Qt::AltModifier;
        const int ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;
        const int pad = Qt::KeypadModifier;
        auto row = [](const char* name, int key, int modifiers, const char* text, bool document, bool searched,
                      bool selecting, const char* command) {
            QTest::newRow(name) << key << modifiers << QString::fromUtf8(text) << document << searched << selecting
                                << QString::fromLatin1(command);
        };

        // Normal mode.
        row("Ctrl+Enter", Qt::Key_Return, ctrl, "\r", true, false, false, "LaunchExe");
        row("Ctrl+Enter without document", Qt::Key_Return, ctrl, "\r", false, false, false, "");
        row("Shift+Enter runs slot 1", Qt::Key_Return, shift, "\r", true, false, false, "ProgramExecute");
        row("Shift+Enter without document", Qt::Key_Enter, shift | pad, "\r", false, false, false, "");
        for (int modifiers : {none, ctrl, shift, ctrlShift})
            row(qPrintable(QStringLiteral("J %1").arg(modifiers, 0, 16)), Qt::Key_J, modifiers, "j", true, false,
                false, "Jump");
        row("Alt+J", Qt::Key_J, alt, "j", true, false, false, "");
        row("J without document", Qt::Key_J, none, "j", false, false, false, "");
        row("W", Qt::Key_W, none, "w", true, false, false, "WrapChange");
        row("Shift+W", Qt::Key_W, shift, "W", true, false, false, "");
        row("Ctrl+W", Qt::Key_W, ctrl, "", true, false, false, "");
        row("W without document", Qt::Key_W, none, "w", false, false, false, "");
        row("F without document", Qt::Key_F, none, "f", false, false, false, "");
        row("N after a search", Qt::Key_N, none, "n", true, true, false, "ReFind");
        row("Ctrl+N after a search", Qt::Key_N, ctrl, "", true, true, false, "ReFind");
        row("N before any search", Qt::Key_N, none, "n", true, false, false, "");
        row("Alt+N", Qt::Key_N, alt, "n", true, true, false, "");
        row("Shift+P after a search", Qt::Key_P, shift, "P", true, true, false, "ReFindPrior");
        row("P before any search", Qt::Key_P, none, "p", true, false, false, "");
        row("O without document", Qt::Key_O, none, "o", false, false, false, "FileOpen");
        row("Ctrl+O", Qt::Key_O, ctrl, "", false, false, false, "FileOpen");
        row("Alt+O", Qt::Key_O, alt, "o", false, false, false, "");
        row("S", Qt::Key_S, none, "s", true, false, false, "AllTitleGet");
        row("Shift+D", Qt::Key_D, shift, "D", true, false, false, "NewTitleGet");
        row("A", Qt::Key_A, none, "a", true, false, false, "TitleDisp");
        row("I", Qt::Key_I, none, "i", true, false, false, "LineNumDisp");
        row("Z without document", Qt::Key_Z, none, "z", false, false, false, "TreeDisp");
        row("X without document", Qt::Key_X, shift, "X", false, false, false, "TreeGet");
        row("Ctrl+B without document", Qt::Key_B, ctrl, "", false, false, false, "SelectStart");
        row("Ctrl+C", Qt::Key_C, ctrl, "", true, false, false, "SelectEnd");
        row("C", Qt::Key_C, none, "c", true, false, false, "");
        row("Ctrl+Insert", Qt::Key_Insert, ctrl, "", true, false, false, "SelectEnd");
        row("minus", Qt::Key_Minus, none, "-", false, false, false, "FileMinus");
        row("keypad minus", Qt::Key_Minus, pad, "-", false, false, false, "FileMinus");
        row("equal", Qt::Key_Equal, none, "=", true, false, false, "FileGet");
        row("Shift+minus making equal", Qt::Key_Equal, shift, "=", true, false, false, "FileGet");
        row("equal without document", Qt::Key_Equal, none, "=", false, false, false, "FileGet");
        row("Shift+equal making plus", Qt::Key_Plus, shift, "+", false, false, false, "FilePlus");
        row("keypad plus", Qt::Key_Plus, pad, "+", false, false, false, "FilePlus");
        row("Ctrl+Alt+Shift+plus counts as plain", Qt::Key_Plus, ctrl | shift | alt, "", false, false, false,
            "FilePlus");
        row("Ctrl+plus", Qt::Key_Plus, ctrl, "", false, false, false, "");
        row("Alt+plus", Qt::Key_Plus, alt, "+", false, false, false, "");
        row("Shift+colon making asterisk", Qt::Key_Asterisk, shift, "*", false, false, false, "FileDisp");
        row("keypad asterisk", Qt::Key_Asterisk, pad, "*", false, false, false, "FileDisp");
        row("Ctrl+R", Qt::Key_R, ctrl, "", true, false, false, "ResumMem");
        row("R", Qt::Key_R, none, "r", true, false, false, "ResumJump");
        row("Shift+R", Qt::Key_R, shift, "R", true, false, false, "");
        row("Ctrl+R without document", Qt::Key_R, ctrl, "", false, false, false, "");
        row("Ctrl+Y", Qt::Key_Y, ctrl, "", true, false, false, "ShioriMem");
        row("Y", Qt::Key_Y, none, "y", true, false, false, "ShioriDisp");
        row("Shift+Y", Qt::Key_Y, shift, "Y", true, false, false, "");
        row("F1", Qt::Key_F1, none, "", false, false, false, "KeyFunc");
        row("Ctrl+F1", Qt::Key_F1, ctrl, "", false, false, false, "");
        row("F2", Qt::Key_F2, shift, "", false, false, false, "MoveToAnother");
        row("F3", Qt::Key_F3, none, "", false, false, false, "SelectAnother");
        row("F4", Qt::Key_F4, none, "", false, false, false, "MoveToApli");
        row("Alt+F4", Qt::Key_F4, alt, "", false, false, false, "");

        // Selection mode: a reduced set.
        row("sel Escape", Qt::Key_Escape, none, "\x1b", true, false, true, "SelectCancel");
        row("sel Ctrl+Escape", Qt::Key_Escape, ctrl, "", true, false, true, "SelectCancel");
        row("sel J", Qt::Key_J, none, "j", true, false, true, "Jump");
        row("sel N", Qt::Key_N, none, "n", true, true, true, "ReFind");
        row("sel P before any search", Qt::Key_P, none, "p", true, false, true, "");
        row("sel W", Qt::Key_W, none, "w", true, false, true, "WrapChange");
        row("sel I without document", Qt::Key_I, none, "i", false, false, true, "");
        row("sel Ctrl+C", Qt::Key_C, ctrl, "", true, false, true, "SelectEnd");
        row("sel Ctrl+Insert", Qt::Key_Insert, ctrl, "", true, false, true, "SelectEnd");
        row("sel F1", Qt::Key_F1, shift, "", true, false, true, "KeyFunc");
        row("sel Ctrl+F1", Qt::Key_F1, ctrl, "", true, false, true, "");
        row("sel Enter", Qt::Key_Return, none, "\r", true, false, true, "");
        row("sel BackSpace", Qt::Key_Backspace, none, "\b", true, false, true, "");
        row("sel Q", Qt::Key_Q, none, "q", true, false, true, "");
        row("sel R", Qt::Key_R, none, "r", true, false, true, "");
        row("sel Ctrl+B", Qt::Key_B, ctrl, "", true, false, true, "");
        row("sel minus", Qt::Key_Minus, none, "-", true, false, true, "");
        row("sel F4", Qt::Key_F4, none, "", true, false, true, "");
    }

    void keysRunTheirRowsCommand()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, text);
        QFETCH(bool, document);
        QFETCH(bool, searched);
        QFETCH(bool, selecting);
        QFETCH(QString, command);

        WriteIni("[KoumokuSetName]\nCheckCloseDialog=0\n");
        TForm1 form({});
        QStringList ran;
        form.KeyCommandForTesting = [&ran](Command run) { ran << NameOf(run); };
        if (document)
            form.CurrentFileName = "/logs/a.log";
        form.FindDone = searched;
        form.Selecting = selecting;
        form.LaunchChoice = 0;
        form.show();

        const bool used = Press(form, key, Qt::KeyboardModifiers(modifiers), text);
        QCOMPARE(ran, command.isEmpty() ? QStringList() : QStringList({command}));
        if (!command.isEmpty())
            QVERIFY(used);
        if (command == QLatin1String("ProgramExecute"))
            QCOMPARE(form.LaunchChoice, 1);
        // Nothing in these rows ends the program.
        QVERIFY(form.isVisible());
    }

    void altWithALetterDoesNothing()
    {
        WriteIni("[KoumokuSetName]\nCheckCloseDialog=0\n");
        TForm1 form({});
        QStringList ran;
        form.KeyCommandForTesting = [&ran](Command run) { ran << NameOf(run); };
        form.CurrentFileName = "/logs/a.log";
        form.FindDone = true;
        form.show();
        form.BigView1->SetCaret(true);
        for (int key = Qt::Key_A; key <= Qt::Key_Z; ++key)
            QVERIFY2(!Press(form, key, Qt::AltModifier), qPrintable(QString(QChar(key))));
        QCOMPARE(ran, QStringList());
        QVERIFY(form.isVisible());
        QVERIFY(form.BigView1->Caret());
    }

    void navigationKeysTurnTheCaretOffAndStillMove_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("selecting");
        QTest::addColumn<int>("topRow");   // where the view is after the key
        // The view starts at row 20 of 100, 10 rows visible or more.
        QTest::newRow("T") << int(Qt::Key_T) << int(Qt::NoModifier) << false << 0;
        QTest::newRow("B") << int(Qt::Key_B) << int(Qt::NoModifier) << false << -1;
        QTest::newRow("Home") << int(Qt::Key_Home) << int(Qt::NoModifier) << false << 0;
        QTest::newRow("Ctrl+E") << int(Qt::Key_E) << int(Qt::ControlModifier) << false << 19;
        QTest::newRow("Ctrl+X") << int(Qt::Key_X) << int(Qt::ControlModifier) << false << 21;
        QTest::newRow("Up") << int(Qt::Key_Up) << int(Qt::NoModifier) << false << 19;
        QTest::newRow("Alt+Down") << int(Qt::Key_Down) << int(Qt::AltModifier) << false << 20;
        QTest::newRow("Shift+T") << int(Qt::Key_T) << int(Qt::ShiftModifier) << false << 20;
        QTest::newRow("sel T") << int(Qt::Key_T) << int(Qt::NoModifier) << true << 0;
        QTest::newRow("sel Ctrl+X") << int(Qt::Key_X) << int(Qt::ControlModifier) << true << 21;
        QTest::newRow("sel Down") << int(Qt::Key_Down) << int(Qt::NoModifier) << true << 21;
    }

    void navigationKeysTurnTheCaretOffAndStillMove()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(bool, selecting);
        QFETCH(int, topRow);
        const QString path = MakeDocument(QStringLiteral("nav.log"), 100);
        TForm1 form({path});
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.Selecting = selecting;
        form.BigView1->SetTopRow(20);
        form.BigView1->SetCaret(true);
        form.HitShown = true;
        form.Timer1->start(100);

        QTest::keyClick(form.BigView1, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QVERIFY(!form.BigView1->Caret());
        QVERIFY(!form.HitShown);
        QVERIFY(!form.Timer1->isActive());
        if (topRow < 0)
            QVERIFY(form.BigView1->TopRow() > 20);
        else
            QCOMPARE(form.BigView1->TopRow(), topRow);
        QVERIFY(form.isVisible());
    }

    void bothKeyPathsRunACommandOnce()
    {
        TForm1 form({});
        QStringList ran;
        form.KeyCommandForTesting = [&ran](Command run) { ran << NameOf(run); };
        form.CurrentFileName = "/logs/a.log";
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.BigView1->setFocus();
        // In the view: offered once, and the window does not run it again.
        QTest::keyClick(form.BigView1, Qt::Key_J);
        QTest::keyClick(form.BigView1, Qt::Key_F1, Qt::AltModifier);
        QCOMPARE(ran, QStringList({"Jump"}));
        // With the focus elsewhere the window's own handler runs the map.
        form.BigView1->clearFocus();
        QTest::keyClick(&form, Qt::Key_Z);
        QCOMPARE(ran, QStringList({"Jump", "TreeDisp"}));
    }

    // ---- key-list windows ----------------------------------------------------

    void keyListPagesAndRemembersThePage()
    {
        TForm1 form({});
        QStringList captions;
        auto caption = [&captions](QWidget* window) {
            captions << window->windowTitle() + u'|' + window->findChild<QLabel*>(QStringLiteral("LabelHeading"))->text();
        };
        {
            // F1, Page Down, Escape.
            Script script({[&](QWidget* w) { caption(w); Key(Qt::Key_PageDown)(w); },
                           [&](QWidget* w) { caption(w); Key(Qt::Key_Escape)(w); }});
            QVERIFY(Press(form, Qt::Key_F1));
            QCOMPARE(script.seen, QStringList({"KeyFunc1", "KeyFunc2"}));
        }
        QCOMPARE(captions, QStringList({"Pelto (ｷｰ操作一覧)|キー操作一覧画面（１／２）",
                                        "Pelto (ｷｰ操作一覧)|キー操作一覧画面（２／２） "}));
        QCOMPARE(form.KeyListPage, 2);
        QVERIFY(form.KeyListOn);
        {
            // F1 again starts at page 2; Home goes back, End forward, Page Up back, then OK.
            Script script({Key(Qt::Key_Home), Key(Qt::Key_End), Key(Qt::Key_PageUp),
                           [](QWidget* w) { w->findChild<QPushButton*>(QStringLiteral("BtnOk"))->click(); }});
            form.MenuKeyFunc->trigger();
            QCOMPARE(script.seen, QStringList({"KeyFunc2", "KeyFunc1", "KeyFunc2", "KeyFunc1"}));
        }
        QCOMPARE(form.KeyListPage, 1);
        {
            // The next-page button, then Enter and F1 each end the list.
            Script script({[](QWidget* w) { w->findChild<QPushButton*>(QStringLiteral("BtnNext"))->click(); },
                           Key(Qt::Key_Return)});
            form.MenuKeyFunc->trigger();
            QCOMPARE(script.seen, QStringList({"KeyFunc1", "KeyFunc2"}));
        }
        {
            Script script({Key(Qt::Key_F1)});
            form.MenuKeyFunc->trigger();
            QCOMPARE(script.seen, QStringList({"KeyFunc2"}));
        }
        {
            // The close box ends the list too.
            Script script({[](QWidget* w) { w->close(); }});
            form.MenuKeyFunc->trigger();
            QCOMPARE(script.seen, QStringList({"KeyFunc2"}));
        }
        QCOMPARE(form.KeyListPage, 2);
    }

    // ---- options dialog --------------------------------------------------------

    void optionsDialogShowsTheMirrorAndRemembersItsPage()
    {
        WriteIni("[FormTree]\nMem=1\n[KoumokuSetName]\nCheckAutoResum=0\n[KoumokuSetNum]\nEditSearchResum=12\n");
        TForm1 form({});
        QStringList state;
        {
            Script script({OnOptions([&](TForm2* options) {
                state << options->windowTitle() << QString::number(options->TabNote->currentIndex());
                for (int tab = 0; tab < options->TabNote->count(); ++tab)
                    state << options->TabNote->tabText(tab);
                state << QString::number(options->CheckFormTree->isChecked())
                      << QString::number(options->CheckFormMain->isChecked())
                      << options->EditSearchResum->text() << QString::number(options->EditSearchResum->maxLength())
                      << QString::number(options->CheckAutoResum->isChecked()) << options->EditWrapChar->text();
                options->TabNote->setCurrentIndex(2);
                options->BtnDispCansel->click();
            })});
            form.MenuOptionSet->trigger();
        }
        QCOMPARE(state, QStringList({"Pelto (各種設定)", "0", "　画面表示位置　", "　　履歴設定　　", "　表示情報設定　",
                                     "1", "0", "12", "2", "0", "80"}));
        int shownPage = -1;
        {
            Script script({OnOptions([&](TForm2* options) {
                shownPage = options->TabNote->currentIndex();
                options->close();   // the close box keeps the page as well
            })});
            form.MenuOptionSet->trigger();
        }
        QCOMPARE(shownPage, 2);
        QCOMPARE(form.OptionPage, 2);
    }

    void escapeAsksBeforeLeavingTheOptions()
    {
        TForm1 form({});
        bool openAfterNo = false;
        bool closedAfterYes = false;
        QPointer<TForm2> dialog;
        Script script({
            OnOptions([&](TForm2* options) {
                dialog = options;
                options->EditWrapChar->setText(QStringLiteral("120"));
                options->EditWrapChar->setFocus();
                QTest::keyClick(options->EditWrapChar, Qt::Key_Escape);
            }),
            Answer(pelto::kNoCaption),
            OnOptions([&](TForm2* options) {
                openAfterNo = options->isVisible();
                // Enter presses no button.
                QTest::keyClick(options->EditWrapChar, Qt::Key_Return);
                QTest::keyClick(options, Qt::Key_Escape);
            }),
            Answer(pelto::kYesCaption),
        });
        form.MenuOptionSet->trigger();
        closedAfterYes = !dialog;
        QCOMPARE(script.seen, QStringList({"Form2", "    メイン画面に戻りますか。   ", "Form2",
                                           "    メイン画面に戻りますか。   "}));
        QVERIFY(openAfterNo);
        QVERIFY(closedAfterYes);
        QCOMPARE(form.BigView1->WrapByte(), 80);
        QCOMPARE(Read("KoumokuSetNum", "EditWrapChar"), std::string("<missing>"));
    }

    void placementFlagsReachTheFileAtShutdown()
    {
        {
            TForm1 form({});
            Script script({OnOptions([](TForm2* options) {
                options->CheckFormMain->setChecked(true);
                options->CheckFormView->setChecked(true);
                options->BtnFormSave->click();
            })});
            form.MenuOptionSet->trigger();
            QVERIFY(form.Mirror.Placement[pelto::kFormMain].Mem);
            QVERIFY(form.Mirror.Placement[pelto::kFormView].Mem);
            QVERIFY(!form.Mirror.Placement[pelto::kFormFile].Mem);
            QCOMPARE(Read("FormMain", "Mem"), std::string("<missing>"));
            form.close();
        }
        QCOMPARE(Read("FormMain", "Mem"), std::string("1"));
        QCOMPARE(Read("FormView", "Mem"), std::string("1"));
        QCOMPARE(Read("FormFile", "Mem"), std::string("0"));
    }

    void historyPageCutsTheListsAndWritesThem()
    {
        WriteIni("[OpenFileName]\n1=/a.log\n2=/b.log\n3=/c.log\n4=/d.log\n9=/i.log\n"
                 "[JumpLineNum]\n1=10\n2=20\n"
                 "[ResumeFileName]\n1=000001 : /a.log\n2=000002 : /b.log\n3=000003 : /c.log\n"
                 "[ShioriStrName]\n1=000005 : one\n2=000006 : two\n");
        TForm1 form({});
        Script script({OnOptions([](TForm2* options) {
            options->TabNote->setCurrentIndex(1);
            options->EditFileResum->setText(QStringLiteral("3"));
            options->EditJumpResum->setText(QStringLiteral("0"));
            options->EditShioriResum->setText(QStringLiteral("1"));
            options->EditResumResum->setText(QStringLiteral(" 2"));
            options->BtnFileSave->click();
        })});
        form.MenuOptionSet->trigger();
        QCOMPARE(script.seen, QStringList({"Form2"}));

        QCOMPARE(Read("OpenFileName", "3"), std::string("/c.log"));
        for (const char* key : {"4", "5", "9"})
            QCOMPARE(Read("OpenFileName", key), std::string());
        QVERIFY(form.MenuFileOpenN[2]->isVisible());
        QVERIFY(!form.MenuFileOpenN[3]->isVisible());
        QVERIFY(!form.MenuFileOpenN[8]->isVisible());
        QCOMPARE(Read("JumpLineNum", "1"), std::string());
        QCOMPARE(Read("FindStrName", "32"), std::string());
        QCOMPARE(Read("ShioriStrName", "1"), std::string("000005 : one"));
        QCOMPARE(Read("ShioriStrName", "2"), std::string());
        QCOMPARE(Read("ResumeFileName", "2"), std::string("000002 : /b.log"));
        QCOMPARE(Read("ResumeFileName", "3"), std::string());
        QCOMPARE(Read("ResumeFileName", "64"), std::string());
        QCOMPARE(Read("KoumokuSetNum", "EditFileResum"), std::string("3"));
        QCOMPARE(Read("KoumokuSetNum", "EditResumResum"), std::string(" 2"));
        QCOMPARE(form.Mirror.EditJumpResum, std::string("0"));
        QVERIFY(form.Mirror.JumpHistory[1].empty());
    }

    void historyPageRefusesInvalidFieldsAndChangesNothing()
    {
        WriteIni("[OpenFileName]\n1=/a.log\n2=/b.log\n3=/c.log\n4=/d.log\n");
        TForm1 form({});
        bool stillOpen = false;
        Script script({
            OnOptions([](TForm2* options) {
                options->TabNote->setCurrentIndex(1);
                options->EditFileResum->setText(QStringLiteral("1"));
                options->EditSearchResum->setText(QStringLiteral("40"));
                options->EditShioriResum->setText(QStringLiteral("x"));
                options->BtnFileSave->click();
            }),
            Answer(pelto::kOkCaption),
            Answer(pelto::kOkCaption),
            OnOptions([&](TForm2* options) {
                stillOpen = options->isVisible() && options->EditSearchResum->text() == QLatin1String("40");
                options->BtnFileCansel->click();
            }),
        });
        form.MenuOptionSet->trigger();
        QCOMPARE(script.seen, QStringList({"Form2", "    検索履歴の数値が範囲外です。          ",
                                           "    しおり履歴の数値が範囲外です。          ", "Form2"}));
        QVERIFY(stillOpen);
        // The valid field took no effect either: the recent files survive.
        QCOMPARE(form.Mirror.EditFileResum, std::string("9"));
        QCOMPARE(form.Mirror.RecentFiles[4], std::string("/d.log"));
        QVERIFY(form.MenuFileOpenN[3]->isVisible());
        QCOMPARE(Read("KoumokuSetNum", "EditFileResum"), std::string("<missing>"));
        form.close();
        QCOMPARE(Read("OpenFileName", "4"), std::string("/d.log"));
    }

    void displayPageAppliesAtOnceAndTheNextStartKeepsIt()
    {
        const QString path = MakeDocument(QStringLiteral("wide.log"), 10, 300);
        {
            TForm1 form({path});
            QCOMPARE(form.BigView1->RowCount(), 40);   // 300 bytes at 80 a row
            Script script({OnOptions([](TForm2* options) {
                options->TabNote->setCurrentIndex(2);
                options->EditWrapChar->setText(QStringLiteral("255"));
                options->CheckTabChar->setChecked(false);
                options->EditTabChar->setText(QStringLiteral("8"));
                options->EditScrollSense->setText(QStringLiteral("3"));
                options->EditFindScroll->setText(QStringLiteral("5"));
                options->CheckCloseDialog->setChecked(false);
                options->BtnDispSave->click();
            })});
            form.MenuOptionSet->trigger();
            QCOMPARE(script.seen, QStringList({"Form2"}));
            QCOMPARE(form.BigView1->WrapByte(), 255);
            QCOMPARE(form.BigView1->RowCount(), 20);
            QVERIFY(form.windowTitle().endsWith(QStringLiteral("全行数 : 20 (10)")));
            QCOMPARE(form.BigView1->ViewTabStop(), 0);
            QCOMPARE(form.BigView1->ScrollSense(), 3);
            QCOMPARE(form.FindScrollRows, 5);
            QVERIFY(!form.Mirror.CheckCloseDialog);
        }
        QCOMPARE(Read("KoumokuSetNum", "EditWrapChar"), std::string("255"));
        QCOMPARE(Read("KoumokuSetNum", "EditTabChar"), std::string("8"));
        QCOMPARE(Read("KoumokuSetName", "CheckTabChar"), std::string("0"));
        QCOMPARE(Read("KoumokuSetName", "CheckCloseDialog"), std::string("0"));
        TForm1 next({path});
        QCOMPARE(next.BigView1->WrapByte(), 255);
        QCOMPARE(next.BigView1->ViewTabStop(), 0);
        QCOMPARE(next.BigView1->RowCount(), 20);
    }

    void displayPageRefusesAnOutOfRangeWrap()
    {
        TForm1 form({});
        Script script({
            OnOptions([](TForm2* options) {
                options->TabNote->setCurrentIndex(2);
                options->EditWrapChar->setText(QStringLiteral("1"));
                options->EditTabChar->setText(QStringLiteral("6"));
                options->EditScrollSense->setText(QStringLiteral("11"));
                options->BtnDispSave->click();
            }),
            Answer(pelto::kOkCaption),
            Answer(pelto::kOkCaption),
            OnOptions([](TForm2* options) { options->BtnDispCansel->click(); }),
        });
        form.MenuOptionSet->trigger();
        QCOMPARE(script.seen, QStringList({"Form2", "    折り返しの数値が範囲外です。          ",
                                           "    １行スクロール設定の数値が範囲外です。          ", "Form2"}));
        QCOMPARE(form.BigView1->WrapByte(), 80);
        // A valid field shows its effect at once; nothing is written.
        QCOMPARE(form.BigView1->ViewTabStop(), 6);
        QCOMPARE(Read("KoumokuSetNum", "EditTabChar"), std::string("<missing>"));
    }

    // ---- font and background colour ---------------------------------------------

    void fontAndBackgroundAreAppliedWrittenAndKept()
    {
        QString family;
        {
            TForm1 form({});
            auto script = std::make_unique<Script>(std::vector<Script::Step>{[&](QWidget* window) {
                auto* dialog = qobject_cast<pelto::TFontColorDialog*>(window);
                QVERIFY(dialog);
                QFont chosen = dialog->SelectedFont();
                family = chosen.family();
                chosen.setPointSize(18);
                chosen.setBold(true);
                dialog->FontDialog1->setCurrentFont(chosen);
                dialog->ComboColor->setCurrentIndex(dialog->ComboColor->findData(QStringLiteral("clRed")));
                dialog->BtnOk->click();
            }});
            form.MenuFont->trigger();
            QCOMPARE(script->seen, QStringList({"FontColorDialog"}));
            script.reset();
            QCOMPARE(form.BigView1->FontColor(), QColor(Qt::red));
            QCOMPARE(form.BigView1->ViewFont().bold(), false);   // the style is not applied
            QCOMPARE(Read("TextJyouhou", "TextFontSize"), std::string("18"));
            QCOMPARE(Read("TextJyouhou", "TextFontColor"), std::string("clRed"));
            // the face shown for "system", kept, stays "system"
            QCOMPARE(Read("TextJyouhou", "TextFontName"), std::string("system"));

            Script background({[](QWidget* window) {
                auto* dialog = qobject_cast<QColorDialog*>(window);
                QVERIFY(dialog);
                dialog->setCurrentColor(QColor(0x12, 0x34, 0x56));
                dialog->accept();
            }});
            form.MenuBackColor->trigger();
            QCOMPARE(form.BigView1->Color(), QColor(0x12, 0x34, 0x56));
            QCOMPARE(Read("TextJyouhou", "TextBackColor"), std::string("$00563412"));
        }
        TForm1 next({});
        QCOMPARE(next.BigView1->FontColor(), QColor(Qt::red));
        QCOMPARE(next.BigView1->Color(), QColor(0x12, 0x34, 0x56));
        QCOMPARE(next.BigView1->ViewFont().family(), family);
        QCOMPARE(next.BigView1->ViewFont(), pelto::TBigView::MakeViewFont(QStringLiteral("system"), 18));
    }

    void fontDialogEscapeCancelsAndOtherFacesAreKept()
    {
        TForm1 form({});
        const QFont before = form.BigView1->ViewFont();
        for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) {
            bool closed = false;
            bool broken = false;
            Script script({[&](QWidget* window) {
                auto* dialog = qobject_cast<pelto::TFontColorDialog*>(window);
                QVERIFY(dialog);
                QLineEdit* size = nullptr;
                for (QLineEdit* edit : dialog->FontDialog1->findChildren<QLineEdit*>())
                    if (edit->text() == QStringLiteral("14"))
                        size = edit;
                QVERIFY(size);
                size->setText(QStringLiteral("20"));
                QTest::keyClick(size, key);
                closed = !dialog->isVisible();
                broken = dialog->isVisible() && !dialog->FontDialog1->isVisible();
            }});
            form.MenuFont->trigger();
            QVERIFY(!broken);   // never a window without its chooser
            if (key == Qt::Key_Escape) {
                // the whole dialog went, and nothing was applied or written
                QVERIFY(closed);
                QCOMPARE(script.Forced(), 0);
                QCOMPARE(form.BigView1->ViewFont(), before);
                QVERIFY(!HasKey("TextJyouhou", "TextFontSize"));
            }
        }

        // another face is applied and stored as chosen, at its own size
        Script other({[&](QWidget* window) {
            auto* dialog = qobject_cast<pelto::TFontColorDialog*>(window);
            dialog->FontDialog1->setCurrentFont(QFont(QStringLiteral("DejaVu Sans"), 13));
            dialog->BtnOk->click();
        }});
        form.MenuFont->trigger();
        QCOMPARE(Read("TextJyouhou", "TextFontName"), std::string("DejaVu Sans"));
        QCOMPARE(form.BigView1->ViewFont().family(), QStringLiteral("DejaVu Sans"));
        QCOMPARE(form.BigView1->ViewFont().pointSize(), 13);
    }

};

int main(int argc, char** argv)
{
    return uitest::RunWithPrivateRuntime<KeysOptionsTest>(argc, argv);
}

#include "KeysOptionsTest.moc"

// The main window's life: start-up from the settings file and the command line,
// the exit command and keys, what shutdown writes; the message, version and help
// windows, the standard dialogs and the error box.

#include "app/Dialgdsp.h"
#include "app/Main.h"
#include "app/Version.h"
#include "platform/Application.h"
#include "platform/Colors.h"
#include "platform/Dialogs.h"
#include "platform/Help.h"
#include "settings/ExePaths.h"
#include "settings/IniFile.h"
#include "view/BigView.h"

#include "UiTestSupport.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <functional>
#include <memory>
#include <stdexcept>

using pelto::TBigView;

namespace {

// Answers the modal windows that appear while it lives. The first one gets
// `act`; every later one, and any window `act` left open, is rejected.
class ModalDriver : public uitest::ModalDriver {
public:
    using Action = Step;

    explicit ModalDriver(Action act) : uitest::ModalDriver({std::move(act)}, {.everyMs = 20, .patience = 5}) {}

    // Clicks the message-box button with this caption.
    static ModalDriver* Clicking(const QString& caption)
    {
        return new ModalDriver([caption](QWidget* widget) {
            if (auto* box = qobject_cast<QMessageBox*>(widget)) {
                for (QAbstractButton* button : box->buttons()) {
                    if (button->text() == caption)
                        button->click();
                }
            }
        });
    }

    QStringList texts;
    QStringList buttons;   // captions of the first message box

protected:
    void Note(QWidget* widget) override
    {
        if (auto* box = qobject_cast<QMessageBox*>(widget)) {
            texts << box->text();
            if (Seen() == 1) {
                // In the order the user sees them, left to right.
                QList<QAbstractButton*> shown = box->buttons();
                std::sort(shown.begin(), shown.end(), [](QAbstractButton* a, QAbstractButton* b) {
                    return a->mapToGlobal(QPoint()).x() < b->mapToGlobal(QPoint()).x();
                });
                for (QAbstractButton* button : shown)
                    buttons << button->text();
            }
        } else if (auto* label = widget->findChild<QLabel*>(QStringLiteral("Label1"))) {
            texts << label->text();
        }
    }
};

const QString kYes = QString::fromUtf8(pelto::kYesCaption);
const QString kNo = QString::fromUtf8(pelto::kNoCaption);
const QString kCancel = QString::fromUtf8(pelto::kCancelCaption);
const QString kAbort = QString::fromUtf8(pelto::kAbortCaption);

// Caption and object name of every item of a menu; "-" for a separator.
QStringList Items(const QMenu* menu)
{
    QStringList items;
    for (const QAction* action : menu->actions())
        items << (action->isSeparator() ? QStringLiteral("-") : action->text() + u'|' + action->objectName());
    return items;
}

class Thrower : public QObject {
protected:
    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::User)
            throw std::runtime_error("読み込みに失敗しました");
        return QObject::event(event);
    }
};

}  // namespace

class MainTest : public QObject, uitest::ProgramFolder {
    Q_OBJECT

private slots:
    void initTestCase() { UseAsProgramFolder(); }

    void init()
    {
        QFile::remove(IniPath());
        QFile::remove(folder_.filePath(QStringLiteral("PELTO.HLP")));
    }

    void cleanupTestCase() { StopUsingProgramFolder(); }

    void menusCarryTheirCaptionsAndNames()
    {
        TForm1 form({});
        QStringList bar;
        for (const QAction* action : form.menuBar()->actions())
            bar << action->text() + u'|' + action->objectName();
        QCOMPARE(bar, QStringList({"ﾌｧｲﾙ(&F)|MenuFile", "表示(&D)|MenuDisp", "検索(&S)|MenuSearch",
                                   "環境設定(&K)|MenuOption", "ﾍﾙﾌﾟ(&H)|MenuHelp"}));
        QStringList file = Items(form.MenuFile).mid(0, 3);
        QCOMPARE(file, QStringList({"開く(&O)...|MenuFileOpen", "終了(&X)|MenuExit", "-"}));
        QCOMPARE(form.MenuFile->actions().size(), 12);
        QCOMPARE(form.HistoryMenuBase, 3);
        QCOMPARE(form.MenuFile->actions().at(11)->objectName(), QStringLiteral("MenuFileOpen9"));
        QCOMPARE(Items(form.MenuDisp),
                 QStringList({"ﾌｧｲﾙ一覧取得(&=)|MenuFileGet", "ﾌｧｲﾙ一覧表示(&*)...|MenuFileDisp",
                              "前ﾌｧｲﾙ表示(&-)|MenuFileMinus", "後ﾌｧｲﾙ表示(&+)|MenuFilePlus", "-",
                              "全発言ﾀｲﾄﾙ取得(&S)|MenuAllTitleGet", "新規発言ﾀｲﾄﾙ取得(&D)|MenuNewTitleGet",
                              "発言ﾀｲﾄﾙ一覧表示(&A)...|MenuTitleDisp", "-", "ﾂﾘｰ取得(&Y)|MenuTreeGet",
                              "ﾂﾘｰ表示(&T)|MenuTreeDisp", "-", "ﾚｼﾞｭｰﾑ行記憶(&F)|MenuResumMem",
                              "ﾚｼﾞｭｰﾑ一覧表示(&R)|MenuResumJump", "-", "しおり行記憶(&J)|MenuShioriMem",
                              "しおり一覧表示(&U)...|MenuShioriDisp", "-", "折返切替(&W)...|MenuWrapChange"}));
        QCOMPARE(Items(form.MenuSearch),
                 QStringList({"検索:(&F)...|MenuFind", "次検索(下検索)(&N)|MenuReFind",
                              "前検索(上検索)(&P)|MenuReFindPrior", "ｼﾞｬﾝﾌﾟ(&J)...|MenuJump",
                              "検索一覧(&L)...|MenuHitList", "全ﾌｧｲﾙ検索(&G)...|MenuGrepAll", "-",
                              "現在行番号表示(&I)|MenuLineNumDisp", "ﾗﾝﾁｬｰ起動(&K)...|MenuLaunchExe", "-",
                              "範囲選択開始(&B)|MenuSelectStart", "範囲選択終了(&C) |MenuSelectEnd"}));
        QCOMPARE(Items(form.MenuOption),
                 QStringList({"各種設定(&O)...|MenuOptionSet", "ﾌｫﾝﾄ設定(&F)...|MenuFont",
                              "背景色設定(&C)...|MenuBackColor", "ﾗﾝﾁｬｰ設定(&L)...|MenuLaunch",
                              "拡張子設定(&E)...|MenuExtSet"}));
        QCOMPARE(Items(form.MenuHelp),
                 QStringList({"ﾍﾙﾌﾟ表示(&C)|MenuHelpDisp", "ﾊﾞｰｼﾞｮﾝ表示(&A)|MenuVersion",
                              "ｷｰ操作一覧(&K)|MenuKeyFunc"}));
        QCOMPARE(Items(form.PopupMenu1),
                 QStringList({"開く|PopFileOpen", "終了|PopExit", "-", "検索|PopFind", "ｼﾞｬﾝﾌﾟ|PopJump",
                              "検索一覧|PopHitList", "全ﾌｧｲﾙ検索|PopGrepAll",
                              "現在行番号表示|PopLineNumDisp", "ﾗﾝﾁｬｰ起動|PopLaunchRun", "-",
                              "ﾌｧｲﾙ一覧取得|PopFileGet", "ﾌｧｲﾙ一覧表示|PopFileDisp", "前ﾌｧｲﾙ表示|PopFileMinus",
                              "後ﾌｧｲﾙ表示|PopFilePlus", "-", "全発言ﾀｲﾄﾙ取得|PopAllTitleGet",
                              "新規発言ﾀｲﾄﾙ取得|PopNewTitleGet", "発言ﾀｲﾄﾙ一覧表示|PopTitleDisp", "-",
                              "ﾂﾘｰ取得|PopTreeGet", "ﾂﾘｰ表示|PopTreeDisp", "-", "ﾚｼﾞｭｰﾑ行記憶|PopResumuSet",
                              "ﾚｼﾞｭｰﾑ一覧表示|PopResumJump", "-", "しおり行記憶|PopShioriSet",
                              "しおり一覧表示|PopShioriDisp", "-", "範囲選択開始|PopSelectStart",
                              "範囲選択終了|PopSelectEnd", "-", "折返切替|PopWrapChange"}));
        // Keys reach the commands only through the key handler.
        for (const QAction* action : form.findChildren<QAction*>())
            QVERIFY2(action->shortcuts().isEmpty(), qPrintable(action->objectName()));
    }

    // A first start: centred, the design height, and at least the design width
    // and as wide as the text area needs for WrapByte columns (or the screen).
    static void CheckFirstStartPlacement(TForm1& form)
    {
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(form.height(), 420);
        QVERIFY(form.width() >= 620);
        QCOMPARE(form.pos(), QPoint((screen.width() - form.width()) / 2, (screen.height() - 420) / 2));
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        TBigView& view = *form.BigView1;
        const int64_t columns = view.TabbedWidth(std::string(static_cast<size_t>(view.WrapByte()), 'x'));
        const int available = QGuiApplication::primaryScreen()->availableGeometry().width();
        if (form.width() < available)
            QVERIFY2(view.ClientRect().width() >= columns,
                     qPrintable(QStringLiteral("%1 < %2").arg(view.ClientRect().width()).arg(columns)));
        else
            QCOMPARE(form.width(), available);
    }

    void startsFromAnEmptySettingsFile()
    {
        TForm1 form({});
        CheckFirstStartPlacement(form);
        QVERIFY(form.width() > 620);   // 80 columns of the default font are wider
        QCOMPARE(form.BigView1->WrapByte(), 80);
        QCOMPARE(form.BigView1->ViewTabStop(), 4);
        QCOMPARE(form.BigView1->ScrollSense(), 1);
        QVERIFY(form.BigView1->WordWrap());
        QCOMPARE(form.BigView1->BvStyle(), pelto::TBvStyle(pelto::bvDblFrame));
        QCOMPARE(form.BigView1->FontColor(), QColor(Qt::black));
        QCOMPARE(form.BigView1->Color(), QApplication::palette().color(QPalette::Base));
        QCOMPARE(form.windowTitle(), QStringLiteral("Pelto (ﾒｲﾝ)    全行数 : 0 (0)"));
        QCOMPARE(form.BaseCaption, QStringLiteral("Pelto (ﾒｲﾝ)"));
        QVERIFY(!form.IconStart);

        const QList<QAction*> disabled{
            form.MenuAllTitleGet, form.MenuNewTitleGet, form.MenuTitleDisp, form.MenuResumMem,
            form.MenuResumJump, form.MenuShioriMem, form.MenuShioriDisp, form.MenuSearch->menuAction(),
            form.MenuReFind, form.MenuReFindPrior, form.PopFind, form.PopJump, form.PopLineNumDisp,
            form.PopLaunchRun, form.PopAllTitleGet, form.PopNewTitleGet, form.PopTitleDisp, form.PopTreeGet,
            form.PopTreeDisp, form.PopResumuSet, form.PopResumJump, form.PopShioriSet, form.PopShioriDisp,
            form.PopSelectStart, form.PopSelectEnd, form.PopHitList};
        for (QAction* action : disabled)
            QVERIFY2(!action->isEnabled(), qPrintable(action->objectName()));
        const QList<QAction*> enabled{
            form.MenuFileOpen, form.MenuExit, form.MenuFileGet, form.MenuFileDisp, form.MenuFileMinus,
            form.MenuFilePlus, form.MenuTreeGet, form.MenuTreeDisp, form.MenuWrapChange,
            form.MenuOption->menuAction(), form.MenuHelp->menuAction(), form.PopFileOpen, form.PopExit,
            form.PopFileGet, form.PopFileDisp, form.PopFileMinus, form.PopFilePlus, form.PopWrapChange,
            form.PopGrepAll};
        for (QAction* action : enabled)
            QVERIFY2(action->isEnabled(), qPrintable(action->objectName()));
        // No recent files: none of the nine items shows.
        for (QAction* item : form.MenuFileOpenN)
            QVERIFY(!item->isVisible());
    }

    void appliesAFilledSettingsFile_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QRect>("bounds");   // empty: centred at the design size
        QTest::addColumn<int>("wrapByte");
        QTest::addColumn<int>("tabStop");
        QTest::addColumn<int>("scrollSense");
        const QByteArray placed = "[FormMain]\nMem=1\nLeft=30\nTop=40\nWidth=500\nHeight=300\n";
        QTest::newRow("placed, defaults") << placed << QRect(30, 40, 500, 300) << 80 << 4 << 1;
        QTest::newRow("a -1 bound is ignored")
            << QByteArray("[FormMain]\nMem=1\nLeft=30\nTop=-1\nWidth=500\nHeight=300\n") << QRect() << 80 << 4 << 1;
        QTest::newRow("Mem off is ignored")
            << QByteArray("[FormMain]\nMem=0\nLeft=30\nTop=40\nWidth=500\nHeight=300\n") << QRect() << 80 << 4 << 1;
        QTest::newRow("low clamps")
            << placed + "[KoumokuSetNum]\nEditWrapChar=1\nEditTabChar=0\nEditScrollSense=0\n"
            << QRect(30, 40, 500, 300) << 2 << 1 << 1;
        QTest::newRow("high clamps")
            << QByteArray("[KoumokuSetNum]\nEditWrapChar=300\nEditTabChar=17\nEditScrollSense=11\n")
            << QRect() << 255 << 16 << 10;
        QTest::newRow("options off")
            << QByteArray("[KoumokuSetName]\nCheckTabChar=0\nCheckScrollSense=0\nCheckWrapChar=0\n"
                          "[KoumokuSetNum]\nEditWrapChar=40\nEditTabChar=0\nEditScrollSense=5\n")
            << QRect() << 40 << 0 << 1;
    }

    void appliesAFilledSettingsFile()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QRect, bounds);
        WriteIni(ini);
        TForm1 form({});
        if (bounds.isNull()) {
            CheckFirstStartPlacement(form);
        } else {
            QCOMPARE(QRect(form.pos(), form.size()), bounds);
        }
        QTEST(form.BigView1->WrapByte(), "wrapByte");
        QTEST(form.BigView1->ViewTabStop(), "tabStop");
        QTEST(form.BigView1->ScrollSense(), "scrollSense");
        QCOMPARE(form.BigView1->WordWrap(), !ini.contains("CheckWrapChar=0"));
    }

    void colorsAndRecentFilesComeFromTheFile()
    {
        WriteIni("[TextJyouhou]\nTextFontColor=$00FF0000\nTextBackColor=clYellow\n"
                 "[KoumokuSetNum]\nEditFileResum=2\n"
                 "[OpenFileName]\n1=/logs/a&b.log\n2=\n3=/logs/c.log\n");
        TForm1 form({});
        QCOMPARE(form.BigView1->FontColor(), QColor(0, 0, 255));
        QCOMPARE(form.BigView1->Color(), QColor(255, 255, 0));
        QVERIFY(form.MenuFileOpenN[0]->isVisible());
        QCOMPARE(form.MenuFileOpenN[0]->text(), QStringLiteral("/logs/a&&b.log"));
        QVERIFY(!form.MenuFileOpenN[1]->isVisible());
        // Beyond "EditFileResum" entries are dropped.
        QVERIFY(!form.MenuFileOpenN[2]->isVisible());
        QVERIFY(form.Mirror.RecentFiles[3].empty());
    }

    void aBadNumberIsReportedOnceAndStartUpGoesOn()
    {
        WriteIni("[KoumokuSetNum]\nEditWrapChar=abc\n");
        std::unique_ptr<ModalDriver> driver(ModalDriver::Clicking(QStringLiteral("OK")));
        TForm1 form({});
        QCOMPARE(driver->Seen(), 1);
        QVERIFY2(driver->texts.value(0).contains(QStringLiteral("'abc' は整数ではありません")),
                 qPrintable(driver->texts.value(0)));
        QCOMPARE(driver->buttons, QStringList({QStringLiteral("OK")}));
        QCOMPARE(form.BigView1->WrapByte(), 80);
    }

    void opensTheCommandLineDocument()
    {
        const QString path = MakeDocument(QStringLiteral("doc.log"), 30);
        QVERIFY(QDir::setCurrent(folder_.path()));
        TForm1 form({QStringLiteral("doc.log")});
        QCOMPARE(QString::fromStdString(form.CurrentFileName), path);
        QCOMPARE(form.BigView1->LineCount(), 30);
        QCOMPARE(form.windowTitle(), QStringLiteral("Pelto (ﾒｲﾝ)  %1  全行数 : %2 (30)")
                                         .arg(path).arg(form.BigView1->RowCount()));
        // a "[*]" of the name stays in the title shown
        const QString marked = MakeDocument(QStringLiteral("a[*]b.log"), 3);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.OpenDocument(marked);
        QVERIFY2(form.windowHandle()->title().startsWith(QStringLiteral("Pelto (ﾒｲﾝ)  %1  ").arg(marked)),
                 qPrintable(form.windowHandle()->title()));
        for (QAction* action : {form.MenuAllTitleGet, form.MenuShioriDisp, form.MenuSearch->menuAction(),
                                form.PopFind, form.PopSelectEnd, form.PopTreeDisp})
            QVERIFY2(action->isEnabled(), qPrintable(action->objectName()));
        // The repeat searches wait for a first search.
        QVERIFY(!form.MenuReFind->isEnabled());
        QVERIFY(!form.MenuReFindPrior->isEnabled());
    }

    void jumpsToTheStoredResumeLine()
    {
        const QString path = MakeDocument(QStringLiteral("resume.log"), 30);
        WriteIni("[ResumeFileName]\n1=000010 : " + path.toUtf8() + "\n");
        {
            TForm1 form({path});
            QCOMPARE(form.BigView1->LineOfRow(form.BigView1->TopRow()), 9);
        }
        WriteIni("[KoumokuSetName]\nCheckAutoResumJump=0\n[ResumeFileName]\n1=000010 : " + path.toUtf8() + "\n");
        TForm1 form({path});
        QCOMPARE(form.BigView1->TopRow(), 0);
    }

    void aBadCommandLineDocumentIsReported_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QString>("message");
        const QString missing = QStringLiteral("   指定されたファイルが存在しません。          ");
        QTest::newRow("missing") << folder_.filePath(QStringLiteral("nothing.log")) << missing;
        QTest::newRow("/X is a name") << QStringLiteral("/X") << missing;
        QTest::newRow("-I is a name") << QStringLiteral("-I") << missing;
        QTest::newRow("a folder") << folder_.path()
                                  << QStringLiteral("   指定されたファイルがオープンできません。          ");
    }

    void aBadCommandLineDocumentIsReported()
    {
        QFETCH(QString, argument);
        QFETCH(QString, message);
        QVERIFY(QDir::setCurrent(folder_.path()));
        std::unique_ptr<ModalDriver> driver(ModalDriver::Clicking(kAbort));
        TForm1 form({argument});
        QCOMPARE(driver->texts, QStringList({message}));
        QCOMPARE(driver->buttons, QStringList({kAbort}));
        QVERIFY(form.CurrentFileName.empty());
        QVERIFY(!form.MenuSearch->menuAction()->isEnabled());
        QCOMPARE(form.BigView1->LineCount(), 0);
    }

    void residentStartIsMinimizedAndOpensNothing_data()
    {
        QTest::addColumn<QString>("flag");
        QTest::newRow("/I") << QStringLiteral("/I");
        QTest::newRow("/i") << QStringLiteral("/i");
    }

    void residentStartIsMinimizedAndOpensNothing()
    {
        QFETCH(QString, flag);
        const QString path = MakeDocument(QStringLiteral("ignored.log"), 3);
        TForm1 form({flag, path});
        QVERIFY(form.IconStart);
        QVERIFY(form.windowState() & Qt::WindowMinimized);
        QVERIFY(form.CurrentFileName.empty());
        QCOMPARE(form.BigView1->LineCount(), 0);
    }

    void exitAsksFirst_data()
    {
        QTest::addColumn<bool>("resident");
        QTest::addColumn<bool>("ask");
        QTest::addColumn<QString>("answer");   // empty: no question expected
        QTest::addColumn<bool>("closed");
        QTest::addColumn<bool>("minimized");
        QTest::newRow("ask, yes") << false << true << kYes << true << false;
        QTest::newRow("ask, no") << false << true << kNo << false << false;
        QTest::newRow("ask, escape") << false << true << QStringLiteral("Escape") << false << false;
        QTest::newRow("no question") << false << false << QString() << true << false;
        QTest::newRow("resident, yes iconizes") << true << true << kYes << false << true;
        QTest::newRow("resident, no ends") << true << true << kNo << true << false;
        QTest::newRow("resident, cancel") << true << true << kCancel << false << false;
        QTest::newRow("resident, escape") << true << true << QStringLiteral("Escape") << false << false;
        QTest::newRow("resident, no question") << true << false << QString() << false << true;
    }

    void exitAsksFirst()
    {
        QFETCH(bool, resident);
        QFETCH(bool, ask);
        QFETCH(QString, answer);
        if (!ask)
            WriteIni("[KoumokuSetName]\nCheckCloseDialog=0\n");
        TForm1 form(resident ? QStringList{QStringLiteral("/I")} : QStringList{});
        form.showNormal();
        QVERIFY(QTest::qWaitForWindowExposed(&form));

        std::unique_ptr<ModalDriver> driver;
        if (answer == QLatin1String("Escape"))
            driver = std::make_unique<ModalDriver>([](QWidget* box) { QTest::keyClick(box, Qt::Key_Escape); });
        else
            driver.reset(ModalDriver::Clicking(answer));
        form.MenuExit->trigger();

        if (answer.isEmpty()) {
            QCOMPARE(driver->Seen(), 0);
        } else if (resident) {
            QCOMPARE(driver->texts, QStringList({QStringLiteral("          アイコン化しますか。          \n\n"
                                                                "   はい : アイコン化    いいえ : 終了          ")}));
            QCOMPARE(driver->buttons, QStringList({kYes, kNo, kCancel}));
        } else {
            QCOMPARE(driver->texts, QStringList({QStringLiteral("    終了しますか。          ")}));
            QCOMPARE(driver->buttons, QStringList({kYes, kNo}));
        }
        QTEST(!form.isVisible(), "closed");
        QTEST(bool(form.windowState() & Qt::WindowMinimized), "minimized");
        QVERIFY(!form.ResumeOnExit);
    }

    void exitKeysDecideTheResumeRecord_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<bool>("resume");
        QTest::newRow("Escape") << int(Qt::Key_Escape) << int(Qt::NoModifier) << true << true;
        QTest::newRow("Ctrl+Escape") << int(Qt::Key_Escape) << int(Qt::ControlModifier) << true << true;
        QTest::newRow("BackSpace") << int(Qt::Key_Backspace) << int(Qt::ShiftModifier) << true << true;
        QTest::newRow("Enter") << int(Qt::Key_Return) << int(Qt::NoModifier) << true << false;
        QTest::newRow("Alt+Enter") << int(Qt::Key_Return) << int(Qt::AltModifier) << true << false;
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << true << false;
        QTest::newRow("Q") << int(Qt::Key_Q) << int(Qt::NoModifier) << true << false;
        QTest::newRow("Shift+Q") << int(Qt::Key_Q) << int(Qt::ShiftModifier) << true << false;
        QTest::newRow("Ctrl+Shift+Q is plain") << int(Qt::Key_Q) << int(Qt::ControlModifier | Qt::ShiftModifier)
                                               << true << false;
        QTest::newRow("Ctrl+Q stays") << int(Qt::Key_Q) << int(Qt::ControlModifier) << false << false;
        QTest::newRow("Alt+Q stays") << int(Qt::Key_Q) << int(Qt::AltModifier) << false << false;
    }

    void exitKeysDecideTheResumeRecord()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(bool, closed);
        QFETCH(bool, resume);
        // Neither the question nor the automatic record: only the key decides.
        WriteIni("[KoumokuSetName]\nCheckCloseDialog=0\nCheckAutoResum=0\n");
        const QString path = MakeDocument(QStringLiteral("keys.log"), 20);
        {
            TForm1 form({path});
            form.show();
            QVERIFY(QTest::qWaitForWindowExposed(&form));
            form.BigView1->SetTopRow(4);
            QTest::keyClick(form.BigView1, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
            QCOMPARE(!form.isVisible(), closed);
            QCOMPARE(form.ResumeOnExit, resume);
            if (!closed)
                return;
        }
        QCOMPARE(Read("ResumeFileName", "1", ""), resume ? "000005 : " + path.toStdString() : std::string());
    }

    void residentEscapeIconizesOrEndsWithResume()
    {
        const QString path = MakeDocument(QStringLiteral("resident.log"), 5);
        WriteIni("[KoumokuSetName]\nCheckAutoResum=0\n");
        {
            TForm1 form({QStringLiteral("/I")});
            form.showNormal();
            std::unique_ptr<ModalDriver> driver(ModalDriver::Clicking(kYes));
            QTest::keyClick(form.BigView1, Qt::Key_Escape);
            QCOMPARE(driver->Seen(), 1);
            QVERIFY(form.windowState() & Qt::WindowMinimized);
            QVERIFY(form.isVisible());
            QVERIFY(!form.ResumeOnExit);

            driver.reset(ModalDriver::Clicking(kNo));
            QVERIFY(form.OpenDocument(path));   // as the open command will do
            QTest::keyClick(form.BigView1, Qt::Key_Escape);
            QVERIFY(!form.isVisible());
            QVERIFY(form.ResumeOnExit);
        }
        QCOMPARE(Read("ResumeFileName", "1", ""), "000001 : " + path.toStdString());
    }

    void ctrlBracketTogglesMaximized()
    {
        TForm1 form({});
        form.showNormal();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTest::keyClick(form.BigView1, Qt::Key_BracketLeft, Qt::ControlModifier);
        QTRY_VERIFY(form.windowState() & Qt::WindowMaximized);
        QTest::keyClick(form.BigView1, Qt::Key_BracketLeft, Qt::ControlModifier);
        QTRY_VERIFY(!(form.windowState() & Qt::WindowMaximized));
        // Without Ctrl the key is no command here.
        QTest::keyClick(form.BigView1, Qt::Key_BracketLeft, Qt::ShiftModifier);
        QVERIFY(!(form.windowState() & Qt::WindowMaximized));
    }

    void shutdownWritesPlacementRecentFilesBookmarksAndResume()
    {
        const QString path = MakeDocument(QStringLiteral("shut.log"), 10);
        WriteIni("[ShioriStrName]\n1=000003 : text\n9=000004 : more\n[OpenFileName]\n1=/x/y.log\n");
        QRect bounds;
        {
            TForm1 form({path});
            form.show();
            QVERIFY(QTest::qWaitForWindowExposed(&form));
            form.move(50, 60);
            form.resize(400, 300);
            bounds = QRect(form.pos(), form.size());
            form.close();
        }
        for (int key = 1; key <= 9; ++key) {
            const std::string name = std::to_string(key);
            QVERIFY(HasKey("OpenFileName", name.c_str()));
            QVERIFY(HasKey("ShioriStrName", name.c_str()));
            QCOMPARE(Read("ShioriStrName", name.c_str()), std::string());
        }
        // The opened document goes to the front of the recent files.
        QCOMPARE(Read("OpenFileName", "1"), path.toStdString());
        QCOMPARE(Read("OpenFileName", "2"), std::string("/x/y.log"));
        QCOMPARE(Read("FormMain", "Left"), std::to_string(bounds.left()));
        QCOMPARE(Read("FormMain", "Top"), std::to_string(bounds.top()));
        QCOMPARE(Read("FormMain", "Width"), std::to_string(bounds.width()));
        QCOMPARE(Read("FormMain", "Height"), std::to_string(bounds.height()));
        QCOMPARE(Read("ResumeFileName", "1"), "000001 : " + path.toStdString());
        QVERIFY(HasKey("FormView", "Mem"));

        // A second close on the same document keeps one entry, with the newer line.
        {
            WriteIni(QByteArray("[ResumeFileName]\n1=000001 : ") + path.toUtf8() + "\n2=000007 : /other.log\n");
            TForm1 form({path});
            form.BigView1->SetTopRow(6);
            form.close();
        }
        QCOMPARE(Read("ResumeFileName", "1"), "000007 : " + path.toStdString());
        QCOMPARE(Read("ResumeFileName", "2"), std::string("000007 : /other.log"));
        QCOMPARE(Read("ResumeFileName", "3"), std::string());
    }

    void closingMaximizedKeepsTheStoredPlacement()
    {
        WriteIni("[FormMain]\nMem=1\nLeft=30\nTop=40\nWidth=500\nHeight=300\n");
        {
            TForm1 form({});
            form.showMaximized();
            QTRY_VERIFY(form.windowState() & Qt::WindowMaximized);
            form.close();
        }
        QCOMPARE(Read("FormMain", "Left"), std::string("30"));
        QCOMPARE(Read("FormMain", "Width"), std::string("500"));
    }

    void noResumeRecordWithoutADocument()
    {
        WriteIni("[KoumokuSetName]\nCheckCloseDialog=0\n[ResumeFileName]\n1=000004 : /kept.log\n");
        {
            TForm1 form({});
            QTest::keyClick(form.BigView1, Qt::Key_Escape);
            QVERIFY(form.ResumeOnExit);
        }
        QCOMPARE(Read("ResumeFileName", "1"), std::string("000004 : /kept.log"));
        QCOMPARE(Read("ResumeFileName", "2", ""), std::string());
    }

    void aFailedWriteIsReportedAndShutdownFinishes()
    {
        const QString path = MakeDocument(QStringLiteral("ro.log"), 3);
        const QString sub = folder_.filePath(QStringLiteral("readonly"));
        QVERIFY(QDir().mkpath(sub));
        // The settings file is a folder: every write must fail.
        QVERIFY(QDir().mkpath(sub + QStringLiteral("/pelto.INI")));
        pelto::SetExecutablePathForTesting((sub + QStringLiteral("/pelto")).toStdString());
        std::unique_ptr<ModalDriver> driver(ModalDriver::Clicking(kAbort));
        {
            TForm1 form({path});
            form.close();
            QVERIFY(!form.isVisible());
        }
        pelto::SetExecutablePathForTesting(folder_.filePath(QStringLiteral("pelto")).toStdString());
        QCOMPARE(driver->Seen(), 1);
        QVERIFY2(driver->texts.value(0).contains(QStringLiteral("に書き込めません")), qPrintable(driver->texts.value(0)));
    }

    void noticeClosesOnAnyKeyOrClick_data()
    {
        QTest::addColumn<int>("key");   // 0: a click on the text
        QTest::newRow("Escape") << int(Qt::Key_Escape);
        QTest::newRow("Enter") << int(Qt::Key_Return);
        QTest::newRow("Space") << int(Qt::Key_Space);
        QTest::newRow("letter") << int(Qt::Key_A);
        QTest::newRow("click") << 0;
    }

    void noticeClosesOnAnyKeyOrClick()
    {
        QFETCH(int, key);
        bool closedByInput = false;
        ModalDriver driver([&](QWidget* window) {
            auto* notice = qobject_cast<TForm17*>(window);
            QVERIFY(notice);
            QCOMPARE(notice->windowTitle(), QStringLiteral("Pelto (ﾒｯｾｰｼﾞ)"));
            if (key)
                QTest::keyClick(notice, Qt::Key(key));
            else
                QTest::mouseClick(notice, Qt::LeftButton, {}, notice->Label1->geometry().center());
            closedByInput = !notice->isVisible();
        });
        const QString text = QStringLiteral("    ツリーの取得が完了しました。   ");
        pelto::ShowNotice(nullptr, text);
        QCOMPARE(driver.texts, QStringList({text}));
        QVERIFY(closedByInput);
    }

    void versionWindowClosesWithEscapeOrOk()
    {
        for (bool byKey : {true, false}) {
            bool closedByInput = false;
            QStringList labels;
            ModalDriver driver([&](QWidget* window) {
                auto* version = qobject_cast<TForm3*>(window);
                QVERIFY(version);
                labels << version->windowTitle() << version->LabelVersion->text() << version->BtnOk->text();
                if (byKey)
                    QTest::keyClick(version, Qt::Key_Escape);
                else
                    version->BtnOk->click();
                closedByInput = !version->isVisible();
            });
            TForm1 form({});
            form.MenuVersion->trigger();
            QCOMPARE(labels, QStringList({"Pelto (ﾊﾞｰｼﾞｮﾝ)", "Version 3.0  /  1997  October  26", "OK(&O)"}));
            QVERIFY(closedByInput);
        }
    }

    void helpShowsTheGuideBesideTheExecutable()
    {
        TForm1 form({});
        {
            std::unique_ptr<ModalDriver> driver(ModalDriver::Clicking(kAbort));
            form.MenuHelpDisp->trigger();
            QCOMPARE(driver->Seen(), 1);
            QVERIFY(driver->texts.value(0).contains(folder_.filePath(QStringLiteral("PELTO.HLP"))));
        }
        QFile guide(folder_.filePath(QStringLiteral("PELTO.HLP")));
        QVERIFY(guide.open(QIODevice::WriteOnly));
        guide.write("<html><body><h1>使い方</h1></body></html>");
        guide.close();
        // Started from another folder, the guide is still found beside the executable.
        QVERIFY(QDir::setCurrent(QDir::rootPath()));
        form.MenuHelpDisp->trigger();   // not modal: returns at once
        QTextBrowser* help = pelto::HelpWindow();
        QVERIFY(help);
        QVERIFY(help->isVisible());
        QVERIFY(!help->isModal());
        QVERIFY(help->toPlainText().contains(QStringLiteral("使い方")));
        // Asked again, the one window is reused; Escape closes it.
        form.MenuHelpDisp->trigger();
        QCOMPARE(pelto::HelpWindow(), help);
        QVERIFY(QTest::qWaitForWindowActive(help));
        QTest::keyClick(help, Qt::Key_Escape);
        QTRY_VERIFY(!pelto::HelpWindow());
        QVERIFY(!form.ResumeOnExit);   // the key stayed in the help window
    }

    void helpFindsTheGuideOfAnInstalledCopy()
    {
        // Installed as <prefix>/bin/pelto with the guide in <prefix>/share/pelto.
        QTemporaryDir prefix;
        QVERIFY(QDir(prefix.path()).mkpath(QStringLiteral("bin")));
        QVERIFY(QDir(prefix.path()).mkpath(QStringLiteral("share/pelto")));
        QFile guide(prefix.filePath(QStringLiteral("share/pelto/PELTO.HLP")));
        QVERIFY(guide.open(QIODevice::WriteOnly));
        guide.write("<html><body><p>installed guide</p></body></html>");
        guide.close();
        {
            // A guide that is not found would bring up the warning instead.
            std::unique_ptr<ModalDriver> driver(ModalDriver::Clicking(kAbort));
            QVERIFY(pelto::ShowHelpFile(nullptr, prefix.filePath(QStringLiteral("bin/PELTO.HLP"))));
            QCOMPARE(driver->Seen(), 0);
        }
        QTextBrowser* help = pelto::HelpWindow();
        QVERIFY(help);
        QVERIFY(help->toPlainText().contains(QStringLiteral("installed guide")));
        help->close();
        QTRY_VERIFY(!pelto::HelpWindow());
    }

    void anUnexpectedErrorIsShownAndTheProgramGoesOn()
    {
        Thrower thrower;
        std::unique_ptr<ModalDriver> driver(new ModalDriver([](QWidget* box) {
            qobject_cast<QDialog*>(box)->accept();
        }));
        QEvent event(QEvent::User);
        QCOMPARE(QCoreApplication::sendEvent(&thrower, &event), false);
        QCOMPARE(driver->texts, QStringList({QStringLiteral("読み込みに失敗しました")}));
        // Event delivery still works afterwards.
        QTimer later;
        bool fired = false;
        connect(&later, &QTimer::timeout, this, [&] { fired = true; });
        later.start(0);
        QTRY_VERIFY(fired);
    }

    void colourTextsMapToColours()
    {
        // A system colour written as its signed decimal value is still the window colour.
        QCOMPARE(pelto::ColorFromText(QStringLiteral("-2147483643")),
                 std::optional<QColor>(QApplication::palette().color(QPalette::Base)));
        QVERIFY(!pelto::ColorFromText(QStringLiteral("clPink")));
        const QColor chosen(0x12, 0x34, 0x56);
        QCOMPARE(pelto::ColorToText(chosen), QStringLiteral("$00563412"));
        QCOMPARE(pelto::ColorFromText(pelto::ColorToText(chosen)), std::optional<QColor>(chosen));
    }
};

int main(int argc, char** argv)
{
    return uitest::RunWithPrivateRuntime<MainTest>(argc, argv);
}

#include "MainTest.moc"

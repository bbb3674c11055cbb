// Opening documents (command line, recent files, drop), the resume jump on
// open, the jump dialog with its history, the current-line window and the
// wrap switch.

#include "app/Main.h"
#include "forum/Titledsp.h"
#include "navigation/Jump.h"
#include "navigation/Linenum.h"
#include "navigation/Wrapchg.h"
#include "platform/Dialogs.h"
#include "settings/ExePaths.h"
#include "settings/IniFile.h"
#include "view/BigView.h"

#include "UiTestSupport.h"

#include <QAction>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QtTest>

#include <sys/stat.h>

#include <functional>
#include <memory>

namespace {

// Plays one step on each modal window that comes up, in order; a window with
// no step left, or one a step left open, is rejected so no test can hang.
class ModalScript : public uitest::ModalDriver {
public:
    explicit ModalScript(std::vector<Step> steps = {}) : ModalDriver(std::move(steps), {.everyMs = 15, .patience = 6}) {}

    QStringList messages;   // texts of message boxes and notices

protected:
    void Note(QWidget* window) override
    {
        if (auto* box = qobject_cast<QMessageBox*>(window))
            messages << box->text();
        else if (window->objectName() == QLatin1String("Form17"))
            messages << window->findChild<QLabel*>(QStringLiteral("Label1"))->text();
    }
};

// A step that types `text` into the jump dialog's number and presses Enter.
ModalScript::Step TypeJump(const QString& text)
{
    return [text](QWidget* window) {
        auto* edit = window->findChild<QLineEdit*>(QStringLiteral("Edit1"));
        QVERIFY(edit);
        edit->clear();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    };
}

ModalScript::Step Click(const char* button)
{
    return [button](QWidget* window) {
        auto* found = window->findChild<QPushButton*>(QString::fromUtf8(button));
        QVERIFY(found);
        QVERIFY(found->isEnabled());
        found->click();
    };
}

const QString kMissing = QStringLiteral("   指定されたファイルが存在しません。          ");
const QString kUnreadable = QStringLiteral("   指定されたファイルがオープンできません。          ");
const QString kOutOfRange = QStringLiteral("    行番号が範囲外です。   ");

}  // namespace

class OpenJumpTest : public QObject, uitest::ProgramFolder {
    Q_OBJECT

private:
    // A key that is not there reads as "".
    std::string Read(const char* section, const char* key) const { return ProgramFolder::Read(section, key, ""); }

    // `lines` CP932 lines; line `longLine` (1-based) is 200 bytes, three rows
    // at the default 80-byte wrapping.
    QString MakeDocument(const QString& name, int lines, int longLine = 0)
    {
        QByteArray bytes;
        for (int line = 1; line <= lines; ++line) {
            if (line == longLine)
                bytes += QByteArray(200, 'w') + "\r\n";
            else
                bytes += "\x82\xa0 line " + QByteArray::number(line) + "\r\n";
        }
        return WriteFile(name, bytes);
    }

    static QStringList RecentCaptions(const TForm1& form)
    {
        QStringList shown;
        for (QAction* item : form.MenuFileOpenN)
            shown << (item->isVisible() ? item->text() : QString());
        return shown;
    }

    static int TopLine(const TForm1& form) { return form.BigView1->LineOfRow(form.BigView1->TopRow()); }

    static void Drop(TForm1& form, const QStringList& paths)
    {
        QMimeData mime;
        QList<QUrl> urls;
        for (const QString& path : paths)
            urls << QUrl::fromLocalFile(path);
        mime.setUrls(urls);
        // The drop goes to the widget that accepted the drag's entry.
        QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&form, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&form, &drop);
    }

private slots:
    void initTestCase() { UseAsProgramFolder(); }

    void init() { QFile::remove(IniPath()); }

    void cleanupTestCase() { StopUsingProgramFolder(); }

    void reopeningGoesToTheResumeLine_data()
    {
        QTest::addColumn<bool>("autoJump");
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<int>("topRow");
        // Line 10 follows the three rows of line 5: rows 0..11, so line 10 is row 11.
        QTest::newRow("on") << true << QByteArray("000010") << 11;
        QTest::newRow("off") << false << QByteArray("000010") << 0;
        // The stored line is the long one: its last row stands at the top.
        QTest::newRow("wrapped line") << true << QByteArray("000005") << 6;
        QTest::newRow("past the end") << true << QByteArray("000999") << 31;
        QTest::newRow("line 0") << true << QByteArray("000000") << 0;
    }

    void reopeningGoesToTheResumeLine()
    {
        QFETCH(bool, autoJump);
        QFETCH(QByteArray, stored);
        QFETCH(int, topRow);
        const QString path = MakeDocument(QStringLiteral("resume.log"), 30, 5);
        WriteIni(QByteArray("[KoumokuSetName]\nCheckAutoResumJump=") + (autoJump ? "1" : "0")
                 + "\n[ResumeFileName]\n1=000003 : " + path.toUtf8() + ".old\n2=" + stored + " : "
                 + path.toUtf8() + "\n");
        TForm1 form({});
        QVERIFY(form.OpenDocument(path));
        QCOMPARE(form.BigView1->RowCount(), 32);
        QCOMPARE(form.BigView1->TopRow(), topRow);
    }

    void aFailedOpenKeepsTheShownDocument_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing") << QStringLiteral("gone.log") << kMissing;
        QTest::newRow("a folder") << QStringLiteral("folder.log") << kUnreadable;
        QTest::newRow("a pipe") << QStringLiteral("pipe.log") << kUnreadable;
    }

    void aFailedOpenKeepsTheShownDocument()
    {
        QFETCH(QString, name);
        QFETCH(QString, message);
        QDir(folder_.path()).mkpath(QStringLiteral("folder.log"));
        ::mkfifo(QFile::encodeName(folder_.filePath(QStringLiteral("pipe.log"))).constData(), 0600);
        const QString shown = MakeDocument(QStringLiteral("shown.log"), 12);
        TForm1 form({shown});
        form.BigView1->SetTopRow(4);
        const QString title = form.windowTitle();
        const QStringList recent = RecentCaptions(form);

        ModalScript script;   // the warning is rejected
        QVERIFY(!form.OpenDocument(folder_.filePath(name)));
        QCOMPARE(script.messages, QStringList({message}));
        QCOMPARE(QString::fromStdString(form.CurrentFileName), shown);
        QCOMPARE(form.windowTitle(), title);
        QCOMPARE(form.BigView1->LineCount(), 12);
        QCOMPARE(form.BigView1->TopRow(), 4);
        QCOMPARE(RecentCaptions(form), recent);
    }

    void recentFilesOrderAndHiding_data()
    {
        QTest::addColumn<QByteArray>("limit");
        QTest::addColumn<int>("shown");
        QTest::newRow("9") << QByteArray("9") << 4;
        QTest::newRow("3") << QByteArray("3") << 3;
        QTest::newRow("0") << QByteArray("0") << 0;
    }

    void recentFilesOrderAndHiding()
    {
        QFETCH(QByteArray, limit);
        QFETCH(int, shown);
        WriteIni("[KoumokuSetNum]\nEditFileResum=" + limit + "\n");
        const QString a = MakeDocument(QStringLiteral("A.log"), 2);
        const QString lowerA = MakeDocument(QStringLiteral("a.log"), 2);
        const QString b = MakeDocument(QStringLiteral("b.log"), 2);
        TForm1 form({});
        for (const QString& path : {a, lowerA, b, a})
            QVERIFY(form.OpenDocument(path));
        // Reopening A moved it to the front; "a.log" is another file.
        const QStringList expected = QStringList({a, b, lowerA}).mid(0, shown);
        for (int entry = 1; entry <= 9; ++entry) {
            const QString want = expected.value(entry - 1);
            QCOMPARE(QString::fromStdString(form.Mirror.RecentFiles[entry]), want);
            QCOMPARE(form.MenuFileOpenN[entry - 1]->isVisible(), !want.isEmpty());
            if (!want.isEmpty())
                QCOMPARE(form.MenuFileOpenN[entry - 1]->text(), want);
        }
    }

    void theTenthFileDropsTheOldest()
    {
        TForm1 form({});
        QStringList paths;
        for (int n = 1; n <= 10; ++n) {
            paths.prepend(MakeDocument(QStringLiteral("f%1.log").arg(n), 1));
            QVERIFY(form.OpenDocument(paths.first()));
        }
        for (int entry = 1; entry <= 9; ++entry)
            QCOMPARE(QString::fromStdString(form.Mirror.RecentFiles[entry]), paths[entry - 1]);
    }

    void recentItemsOpenAndMoveToTheFront()
    {
        const QString first = MakeDocument(QStringLiteral("r1.log"), 20);
        const QString second = MakeDocument(QStringLiteral("r2.log"), 20);
        const QString gone = folder_.filePath(QStringLiteral("r3.log"));
        WriteIni("[OpenFileName]\n1=" + first.toUtf8() + "\n2=" + gone.toUtf8() + "\n3=" + second.toUtf8()
                 + "\n[ResumeFileName]\n1=000008 : " + second.toUtf8() + "\n");
        TForm1 form({});
        form.MenuFileOpenN[2]->trigger();
        QVERIFY(!form.OpenFailed);
        QCOMPARE(QString::fromStdString(form.CurrentFileName), second);
        QCOMPARE(TopLine(form), 7);   // its resume line
        QCOMPARE(form.windowTitle(), QStringLiteral("Pelto (ﾒｲﾝ)  %1  全行数 : 20 (20)").arg(second));
        QVERIFY(form.MenuSearch->menuAction()->isEnabled());
        QCOMPARE(QString::fromStdString(form.Mirror.RecentFiles[1]), second);
        QCOMPARE(QString::fromStdString(form.Mirror.RecentFiles[3]), gone);

        // The vanished file is reported and keeps its place.
        ModalScript script;
        form.MenuFileOpenN[2]->trigger();
        QVERIFY(form.OpenFailed);
        QCOMPARE(script.messages, QStringList({kMissing}));
        QCOMPARE(QString::fromStdString(form.CurrentFileName), second);
        QCOMPARE(QString::fromStdString(form.Mirror.RecentFiles[2]), first);
        QCOMPARE(QString::fromStdString(form.Mirror.RecentFiles[3]), gone);
    }

    void droppingOpensTheFirstFileAfterStoringTheResumePoint()
    {
        const QString before = MakeDocument(QStringLiteral("before.log"), 30);
        const QString first = MakeDocument(QStringLiteral("drop1.log"), 5);
        const QString second = MakeDocument(QStringLiteral("drop2.log"), 5);
        // A stored point for the dropped file: a drop does not jump to it.
        WriteIni("[ResumeFileName]\n1=000004 : " + first.toUtf8() + "\n");
        TForm1 form({before});
        const std::string recent = form.Mirror.RecentFiles[1];
        form.BigView1->SetTopRow(6);
        form.showMinimized();
        QTRY_VERIFY(form.isMinimized());

        Drop(form, {first, second});
        QCOMPARE(QString::fromStdString(form.CurrentFileName), first);
        QCOMPARE(form.BigView1->TopRow(), 0);
        QVERIFY(!form.isMinimized());
        QCOMPARE(form.Mirror.RecentFiles[1], recent);
        QCOMPARE(Read("ResumeFileName", "1"), "000007 : " + before.toStdString());
        QCOMPARE(Read("ResumeFileName", "2"), "000004 : " + first.toStdString());

        // A file that cannot be read leaves the dropped-on document alone.
        ModalScript script;
        Drop(form, {folder_.filePath(QStringLiteral("nothing-here.log"))});
        QCOMPARE(script.messages, QStringList({kUnreadable}));
        QCOMPARE(QString::fromStdString(form.CurrentFileName), first);
    }

    void jumpTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("topRow");   // -1: refused
        QTest::addColumn<bool>("historyWritten");
        QTest::newRow("minus") << QStringLiteral("-5") << -1 << false;
        QTest::newRow("range") << QStringLiteral("1-2") << -1 << false;
        QTest::newRow("letters") << QStringLiteral("12a") << -1 << true;
        QTest::newRow("zero") << QStringLiteral("0") << -1 << true;
        QTest::newRow("blank first") << QStringLiteral(" 12") << 13 << true;
        QTest::newRow("plus") << QStringLiteral("+12") << 13 << true;
        QTest::newRow("hexadecimal") << QStringLiteral("$A") << 11 << true;
        QTest::newRow("one") << QStringLiteral("1") << 0 << true;
        QTest::newRow("past the end") << QStringLiteral("99999") << 31 << true;
    }

    void jumpTexts()
    {
        QFETCH(QString, text);
        QFETCH(int, topRow);
        QFETCH(bool, historyWritten);
        WriteIni("[JumpLineNum]\n1=7\n");
        TForm1 form({MakeDocument(QStringLiteral("jump.log"), 30, 5)});
        form.BigView1->SetTopRow(3);
        ModalScript script({TypeJump(text)});
        form.MenuJumpClick();
        QCOMPARE(script.titles.value(0), QStringLiteral("Pelto (ｼﾞｬﾝﾌﾟ)"));
        if (topRow < 0) {
            QCOMPARE(script.messages, QStringList({kOutOfRange}));
            QCOMPARE(form.BigView1->TopRow(), 3);
            QCOMPARE(QString::fromStdString(form.Mirror.JumpHistory[1]), QStringLiteral("7"));
        } else {
            QVERIFY(script.messages.isEmpty());
            QCOMPARE(form.BigView1->TopRow(), topRow);
            QCOMPARE(QString::fromStdString(form.Mirror.JumpHistory[1]), text);
            QCOMPARE(QString::fromStdString(form.Mirror.JumpHistory[2]), QStringLiteral("7"));
        }
        // The section exists once the history was written.
        QCOMPARE(HasKey("JumpLineNum", "2"), historyWritten);
    }

    void jumpHistoryShiftsAndClears()
    {
        WriteIni("[JumpLineNum]\n1=1\n2=2\n3=3\n4=4\n5=5\n6=6\n7=7\n8=8\n9=9\n");
        TForm1 form({MakeDocument(QStringLiteral("history.log"), 30)});

        // The dialog starts with entry 1 typed and the list selected at its head.
        QString edit;
        int listed = 0;
        {
            ModalScript twice({[&](QWidget* window) {
                                   auto* dialog = qobject_cast<TForm5*>(window);
                                   QVERIFY(dialog);
                                   edit = dialog->Edit1->text();
                                   listed = dialog->ListBox1->count();
                                   QTest::keyClick(dialog->Edit1, Qt::Key_Return);
                               },
                               [](QWidget* window) {
                                   // Enter in the list takes its selected line.
                                   auto* dialog = qobject_cast<TForm5*>(window);
                                   QVERIFY(dialog);
                                   dialog->ListBox1->setCurrentRow(3);
                                   QTest::keyClick(dialog->ListBox1, Qt::Key_Return);
                               }});
            form.MenuJumpClick();
            form.MenuJumpClick();
        }
        QCOMPARE(edit, QStringLiteral("1"));
        QCOMPARE(listed, 9);
        // "1" twice at the head, then the list's fourth line ("3" after the
        // first shift); the oldest entries dropped out.
        QCOMPARE(Read("JumpLineNum", "1"), std::string("3"));
        QCOMPARE(Read("JumpLineNum", "2"), std::string("1"));
        QCOMPARE(Read("JumpLineNum", "3"), std::string("1"));
        QCOMPARE(Read("JumpLineNum", "9"), std::string("7"));
        QCOMPARE(TopLine(form), 2);

        // Clearing empties the table; the cancel that follows still writes it.
        ModalScript clear({[](QWidget* window) {
            auto* dialog = qobject_cast<TForm5*>(window);
            QVERIFY(dialog);
            dialog->BtnClear->click();
            QCOMPARE(dialog->ListBox1->count(), 1);
            QCOMPARE(dialog->ListBox1->currentRow(), 0);
            QTest::keyClick(dialog->ListBox1, Qt::Key_Escape);
        }});
        form.MenuJumpClick();
        QVERIFY(form.JumpText.empty());
        QCOMPARE(TopLine(form), 2);
        QCOMPARE(Read("JumpLineNum", "1"), std::string());
        QVERIFY(HasKey("JumpLineNum", "1"));
    }

    // A log of more than a million one-byte lines, a post header near its end:
    // the jump, the resume jump at start-up, the stored record and the title
    // list all reach past line 999999.
    void linesPastTheMillionAreReachable()
    {
        constexpr int kLines = 1'100'000;
        constexpr int kHeaderLine = 1'050'001;   // 1-based
        QByteArray bytes;
        bytes.reserve(kLines * 3 + 64);
        for (int line = 1; line <= kLines; ++line)
            bytes += line == kHeaderLine ? QByteArray("00002/00004 ID2  far title\r\n") : QByteArray("x\r\n");
        const QString path = WriteFile(QStringLiteral("million.log"), bytes);
        bytes.clear();
        WriteIni("[ResumeFileName]\n1=1040000 : " + path.toUtf8() + "\n");

        TForm1 form({path});
        QCOMPARE(form.BigView1->RowCount(), kLines);
        QCOMPARE(TopLine(form) + 1, 1'040'000);

        {
            ModalScript script({TypeJump(QStringLiteral("1080000"))});
            form.MenuJumpClick();
            QVERIFY(script.messages.isEmpty());
        }
        QCOMPARE(TopLine(form) + 1, 1'080'000);
        QString current;
        {
            ModalScript script({[&](QWidget* window) {
                auto* info = qobject_cast<TForm7*>(window);
                QVERIFY(info);
                current = info->Label2->text();
                info->accept();
            }});
            form.MenuLineNumDispClick();
        }
        QCOMPARE(current, QStringLiteral("1080000 (1080000)"));
        form.StoreResumeRecord();
        QCOMPARE(Read("ResumeFileName", "1"), "1080000 : " + path.toStdString());

        {
            ModalScript script;   // the completion notice
            form.MenuAllTitleGetClick();
        }
        int listed = 0;
        {
            ModalScript script({[&](QWidget* window) {
                auto* list = qobject_cast<TForm9*>(window);
                QVERIFY(list);
                listed = list->ItemCount();
                list->ListBox1->setCurrentIndex(list->ListBox1->model()->index(listed - 1, 0));
                QTest::keyClick(list->ListBox1, Qt::Key_Return);
            }});
            form.MenuTitleDispClick();
            QVERIFY(script.messages.isEmpty());
        }
        QCOMPARE(listed, 2);
        QCOMPARE(TopLine(form) + 1, kHeaderLine);
    }

    void informationWindowShowsTheTopRowAndItsLine()
    {
        TForm1 form({MakeDocument(QStringLiteral("info.log"), 30, 5)});
        form.BigView1->SetTopRow(5);   // the second row of line 5
        QString current;
        QString size;
        bool closedByKey = false;
        ModalScript script({[&](QWidget* window) {
            auto* info = qobject_cast<TForm7*>(window);
            QVERIFY(info);
            current = info->Label2->text();
            size = info->Label4->text();
            QTest::keyClick(info, Qt::Key_X);
            closedByKey = !info->isVisible();
        }});
        form.MenuLineNumDispClick();
        QCOMPARE(script.titles, QStringList({QStringLiteral("Pelto (現在行情報)")}));
        QCOMPARE(current, QStringLiteral("6 (5)"));
        QCOMPARE(size, QStringLiteral("32 (30)"));
        QVERIFY(closedByKey);
    }

    void wrapSwitchReturnsToTheSameLine()
    {
        TForm1 form({MakeDocument(QStringLiteral("wrap.log"), 30, 5)});
        form.resize(400, 300);
        form.BigView1->SetTopRow(6);   // the third row of line 5

        // Cancel: back to the first row of that line, nothing else changes.
        bool onlyOtherWay = false;
        {
            ModalScript cancel({[&](QWidget* window) {
                auto* dialog = qobject_cast<TForm19*>(window);
                QVERIFY(dialog);
                onlyOtherWay = dialog->BtnWrapOn->isEnabled() && !dialog->BtnWrapOff->isEnabled();
                dialog->BtnCansel->click();
            }});
            form.MenuWrapChangeClick();
        }
        QVERIFY(onlyOtherWay);
        QCOMPARE(form.BigView1->TopRow(), 4);
        QCOMPARE(form.BigView1->WrapByte(), 80);

        form.BigView1->SetTopRow(form.BigView1->RowOfLine(20));
        {
            ModalScript toWidth({Click("BtnWrapOn")});
            form.MenuWrapChangeClick();
        }
        QCOMPARE(form.BigView1->WrapByte(), 0);
        QVERIFY(form.BigView1->WordWrap());
        QCOMPARE(TopLine(form), 20);
        QCOMPARE(form.BigView1->TopRow(), form.BigView1->RowOfLine(20));
        const int widthRows = form.BigView1->RowCount();
        QVERIFY(widthRows != 32);
        QVERIFY(form.windowTitle().endsWith(QStringLiteral("  全行数 : %1 (30)").arg(widthRows)));

        {
            ModalScript back({Click("BtnWrapOff")});
            form.MenuWrapChangeClick();
        }
        QCOMPARE(form.BigView1->WrapByte(), 80);
        QCOMPARE(form.BigView1->RowCount(), 32);
        QCOMPARE(form.BigView1->TopRow(), 22);
        QVERIFY(form.windowTitle().endsWith(QStringLiteral("  全行数 : 32 (30)")));
        // The options themselves were never touched.
        QCOMPARE(form.Mirror.EditWrapChar, std::string("80"));
    }

    void wrapSwitchKeepsTheDocumentWhenItCannotBeRead()
    {
        const QString path = MakeDocument(QStringLiteral("vanishing.log"), 30, 5);
        TForm1 form({path});
        form.resize(400, 300);
        form.BigView1->SetTopRow(10);
        const int topLine = TopLine(form);
        QVERIFY(QFile::remove(path));
        ModalScript script({Click("BtnWrapOn")});
        form.MenuWrapChangeClick();
        QCOMPARE(script.messages,
                 QStringList({QStringLiteral("   指定されたファイルがオープンできませんでした。          ")}));
        // the lines in memory, wrapped the chosen way, from the same line
        QCOMPARE(form.BigView1->WrapByte(), 0);
        QCOMPARE(form.BigView1->LineCount(), 30);
        QVERIFY(form.BigView1->RowCount() != 32);
        QCOMPARE(form.BigView1->TopRow(), form.BigView1->RowOfLine(topLine));
        QVERIFY(form.windowTitle().endsWith(QStringLiteral("  全行数 : %1 (30)").arg(form.BigView1->RowCount())));
    }
};

QTEST_MAIN(OpenJumpTest)
#include "OpenJumpTest.moc"

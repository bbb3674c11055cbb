// Resume points and bookmarks through the main window: storing them, the two
// list windows, their actions and messages, and what the settings file holds.

#include "app/Main.h"
#include "platform/NewInstance.h"
#include "positions/Resumdsp.h"
#include "positions/Shiori.h"
#include "settings/ExePaths.h"
#include "settings/IniFile.h"
#include "view/BigView.h"

#include "UiTestSupport.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <vector>

namespace {

using Modals = uitest::MessageModals;
using uitest::Lines;

// Selects the first line that contains `part`, then presses Enter with `modifiers`.
Modals::Step EnterOnLine(const QString& part, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    return [part, modifiers](QWidget* window) {
        auto* list = window->findChild<QListWidget*>(QStringLiteral("ListBox1"));
        if (!list)
            return;
        for (int row = 0; row < list->count(); ++row) {
            if (list->item(row)->text().contains(part)) {
                list->setCurrentRow(row);
                break;
            }
        }
        QTest::keyClick(list, Qt::Key_Return, modifiers);
    };
}

const QString kStoredNotice = QStringLiteral("    レジューム記憶が完了しました。   ");
const QString kOutOfRange = QStringLiteral("    行番号が範囲外です。   ");

}  // namespace

class PositionsTest : public QObject, uitest::ProgramFolder {
    Q_OBJECT

private:
    QStringList Section(const char* section, int count) const
    {
        QStringList values;
        for (const std::string& value : pelto::IniFile(IniPath().toStdString()).ReadList(section, count))
            values << QString::fromStdString(value);
        return values;
    }

private slots:
    void initTestCase() { UseAsProgramFolder(); }

    void init() { QFile::remove(IniPath()); }

    void cleanupTestCase()
    {
        StopUsingProgramFolder();
        pelto::SetProgramStarterForTesting({});
    }

    void storeThenJumpBackFromTheList()
    {
        const QString path = MakeDocument(QStringLiteral("a.log"), 60);
        WriteIni("[ResumeFileName]\n1=000005 : /elsewhere/b.log\n");
        TForm1 form({path});
        form.BigView1->SetTopRow(11);
        {
            Modals modals;
            form.MenuResumMemClick();
            QCOMPARE(modals.texts, QStringList{kStoredNotice});
        }
        QCOMPARE(Read("ResumeFileName", "1"), "000012 : " + path.toStdString());
        QCOMPARE(Read("ResumeFileName", "2"), std::string("000005 : /elsewhere/b.log"));

        form.BigView1->SetTopRow(0);
        QStringList lines;
        QString caption;
        int selected = -1;
        QStringList buttons;
        Modals modals({[&](QWidget* window) {
            auto* list = qobject_cast<TForm20*>(window);
            QVERIFY(list);
            caption = list->windowTitle();
            lines = Lines(list->ListBox1);
            selected = list->ListBox1->currentRow();
            for (QPushButton* button : {list->BtnResum, list->BtnChange, list->BtnNewDsp, list->BtnCansel}) {
                buttons << button->text();
                QVERIFY(!button->autoDefault());
            }
            QTest::keyClick(list->ListBox1, Qt::Key_Return);
        }});
        form.MenuResumJumpClick();
        QCOMPARE(caption, QStringLiteral("Pelto (ﾚｼﾞｭｰﾑ一覧)"));
        QCOMPARE(lines, QStringList({QString(), "000012 : " + path, QStringLiteral("000005 : /elsewhere/b.log")}));
        QCOMPARE(selected, 1);   // the current document's entry
        QCOMPARE(buttons, QStringList({"行ｼﾞｬﾝﾌﾟ(&J)", "入替表示(&C)", "新規表示(&N)", "ｷｬﾝｾﾙ"}));
        QCOMPARE(modals.titles.size(), 1);
        QCOMPARE(form.BigView1->TopRow(), 11);
        QCOMPARE(form.ResumeAction, 0);
    }

    void lineJumpRefusesOtherFilesAndBadNumbers()
    {
        const QString path = MakeDocument(QStringLiteral("c.log"), 30);
        WriteIni("[ResumeFileName]\n1=000009 : /elsewhere/b.log\n2=000000 : " + path.toUtf8()
                 + "\n3=\n4=000003 : " + path.toUtf8() + ".1\n");
        TForm1 form({path});
        const int start = form.BigView1->TopRow();

        {
            Modals other({EnterOnLine(QStringLiteral("b.log")),
                          [](QWidget* box) { qobject_cast<QDialog*>(box)->reject(); }});
            form.MenuResumJumpClick();
            QCOMPARE(other.texts.value(1), QStringLiteral("    レジュームファイル名が一致していません。          "));
        }
        QCOMPARE(form.BigView1->TopRow(), start);

        QStringList lines;
        int selected = -1;
        {
            Modals zero({[&](QWidget* window) {
                auto* list = qobject_cast<TForm20*>(window);
                lines = Lines(list->ListBox1);
                selected = list->ListBox1->currentRow();
                EnterOnLine(QStringLiteral("000000"))(window);
            }});
            form.MenuResumJumpClick();
            QCOMPARE(zero.texts.value(1), kOutOfRange);
        }
        // Empty entries are not listed; the name with a further extension is
        // another file, so the exact entry is the one selected.
        QCOMPARE(lines.size(), 4);
        QCOMPARE(selected, 2);
        QCOMPARE(form.BigView1->TopRow(), start);

        // The empty first line, Escape and the cancel button do nothing.
        const std::vector<Modals::Step> noChoice{
            [](QWidget* window) {
                auto* list = qobject_cast<TForm20*>(window);
                list->ListBox1->setCurrentRow(0);
                QTest::keyClick(list->ListBox1, Qt::Key_Return);
            },
            [](QWidget* window) { QTest::keyClick(qobject_cast<TForm20*>(window)->BtnResum, Qt::Key_Escape); },
            [](QWidget* window) { qobject_cast<TForm20*>(window)->BtnCansel->click(); },
        };
        for (const Modals::Step& step : noChoice) {
            Modals modals({step});
            form.MenuResumJumpClick();
            QCOMPARE(modals.titles.size(), 1);
            QCOMPARE(modals.Forced(), 0);   // the step itself closed the list
        }
        QCOMPARE(form.ResumeTable[0], std::string());
        QCOMPARE(form.BigView1->TopRow(), start);
    }

    void swapDisplayOpensTheEntryAtItsLine()
    {
        const QString first = MakeDocument(QStringLiteral("first.log"), 20);
        const QString second = MakeDocument(QStringLiteral("second log.txt"), 80);
        WriteIni("[ResumeFileName]\n1=000040 : " + second.toUtf8() + "\n");
        TForm1 form({first});
        Modals modals({EnterOnLine(QStringLiteral("second"), Qt::ShiftModifier)});
        form.MenuResumJumpClick();
        QCOMPARE(modals.titles.size(), 1);
        QCOMPARE(form.ResumeAction, 1);
        QCOMPARE(QString::fromStdString(form.CurrentFileName), second);
        QCOMPARE(form.BigView1->TopRow(), 39);
        QVERIFY(form.windowTitle().contains(second));
        QCOMPARE(QString::fromStdString(form.Mirror.RecentFiles[1]), second);
    }

    void swapToAVanishedFileKeepsTheDocument()
    {
        const QString path = MakeDocument(QStringLiteral("stay.log"), 20);
        const QString gone = MakeDocument(QStringLiteral("gone.log"), 5);
        WriteIni("[ResumeFileName]\n1=000002 : " + gone.toUtf8() + "\n");
        QVERIFY(QFile::remove(gone));
        TForm1 form({path});
        form.BigView1->SetTopRow(4);
        const QString title = form.windowTitle();
        Modals modals({EnterOnLine(QStringLiteral("gone"), Qt::ShiftModifier),
                       [](QWidget* box) { qobject_cast<QDialog*>(box)->reject(); }});
        form.MenuResumJumpClick();
        QCOMPARE(modals.texts.value(1), QStringLiteral("   指定されたファイルが存在しません。          "));
        QCOMPARE(QString::fromStdString(form.CurrentFileName), path);
        QCOMPARE(form.windowTitle(), title);
        QCOMPARE(form.BigView1->TopRow(), 4);
    }

    void newDisplayStartsOneCopyWithTheNameAsOneArgument()
    {
        const QString path = MakeDocument(QStringLiteral("here.log"), 10);
        const QString other = QStringLiteral("/logs/a name; with \"quotes\" $(x).log");
        WriteIni("[ResumeFileName]\n1=000003 : " + other.toUtf8() + "\n");
        QString program;
        QStringList arguments;
        QString workingFolder;
        int started = 0;
        pelto::SetProgramStarterForTesting([&](const QString& exe, const QStringList& args, const QString& in) {
            program = exe;
            arguments = args;
            workingFolder = in;
            ++started;
            return true;
        });
        TForm1 form({path});
        {
            Modals modals({EnterOnLine(QStringLiteral("a name"), Qt::ControlModifier)});
            form.MenuResumJumpClick();
            QCOMPARE(modals.titles.size(), 1);
        }
        QCOMPARE(started, 1);
        QCOMPARE(program, folder_.filePath(QStringLiteral("pelto")));
        QCOMPARE(arguments, QStringList{other});
        QCOMPARE(QString::fromStdString(form.CurrentFileName), path);

        // A copy started resident with "/I" starts the new one in the current
        // folder, not in the "/" of its switch.
        {
            TForm1 resident({QStringLiteral("/I")});
            QVERIFY(resident.OpenDocument(path));
            Modals modals({EnterOnLine(QStringLiteral("a name"), Qt::ControlModifier)});
            resident.MenuResumJumpClick();
        }
        QCOMPARE(started, 2);
        QCOMPARE(workingFolder, QDir::currentPath());

        pelto::SetProgramStarterForTesting([](const QString&, const QStringList&, const QString&) { return false; });
        Modals failed({[](QWidget* window) {
                           qobject_cast<TForm20*>(window)->ListBox1->setCurrentRow(1);
                           qobject_cast<TForm20*>(window)->BtnNewDsp->click();
                       },
                       [](QWidget* box) { qobject_cast<QDialog*>(box)->reject(); }});
        form.MenuResumJumpClick();
        pelto::SetProgramStarterForTesting({});
        QCOMPARE(failed.texts.value(1), QStringLiteral("    Pelto.exe の新規起動に失敗しました。          "));

        QCOMPARE(pelto::FolderPartOf(QStringLiteral("/a/b/c.log")), QStringLiteral("/a/b/"));
        QCOMPARE(pelto::FolderPartOf(QStringLiteral("c.log")), QString());
    }

    void listWindowKeysAndRememberedBounds()
    {
        const QString path = MakeDocument(QStringLiteral("keys.log"), 10);
        WriteIni("[FormResum]\nMem=1\nLeft=40\nTop=50\nWidth=500\nHeight=300\n"
                 "[ResumeFileName]\n1=000003 : " + path.toUtf8() + "\n");
        TForm1 form({path});
        QRect shown;
        bool closedOnSwapButton = true;
        QSize listBefore, listAfter;
        Modals modals({[&](QWidget* window) {
            auto* list = qobject_cast<TForm20*>(window);
            shown = QRect(list->pos(), list->size());
            // The swap button takes neither Escape nor Backspace.
            list->BtnChange->setFocus();
            QTest::keyClick(list->BtnChange, Qt::Key_Escape);
            QTest::keyClick(list->BtnChange, Qt::Key_Backspace);
            closedOnSwapButton = !list->isVisible();
            listBefore = list->ListBox1->size();
            list->resize(list->width() + 30, list->height() + 20);
            QApplication::processEvents();
            listAfter = list->ListBox1->size();
            list->move(70, 80);
            QTest::keyClick(list->ListBox1, Qt::Key_Backspace);
        }});
        form.MenuResumJumpClick();
        QCOMPARE(modals.Forced(), 0);   // Backspace closed it
        QCOMPARE(shown, QRect(40, 50, 500, 300));
        QVERIFY(!closedOnSwapButton);
        QCOMPARE(listAfter - listBefore, QSize(30, 20));
        QCOMPARE(form.Mirror.Placement[pelto::kFormResum].Left, 70);
        QCOMPARE(form.Mirror.Placement[pelto::kFormResum].Width, 530);
        form.close();
        QCOMPARE(Read("FormResum", "Left"), std::string("70"));
        QCOMPARE(Read("FormResum", "Height"), std::string("320"));
    }

    void bookmarksStoreSortChooseAndClear()
    {
        const QString path = MakeDocument(QStringLiteral("marks.log"), 50);
        // A bookmark of an earlier run that this one has not read.
        WriteIni("[ShioriStrName]\n1=000001 : old\n");
        TForm1 form({path});
        QStringList notices;
        for (int topRow : {29, 4}) {
            form.BigView1->SetTopRow(topRow);
            Modals modals;
            form.MenuShioriMemClick();
            notices << modals.texts;
        }
        QCOMPARE(notices, QStringList(2, QStringLiteral("    しおり行の記憶が完了しました。   ")));
        QCOMPARE(Section("ShioriStrName", 9),
                 QStringList({"000005 : あい line 5", "000030 : あい line 30", "", "", "", "", "", "", ""}));

        form.BigView1->SetTopRow(0);
        QStringList before;
        QString caption;
        {
            Modals modals({[&](QWidget* window) {
                auto* list = qobject_cast<TForm6*>(window);
                caption = list->windowTitle();
                before = Lines(list->ListBox1);
                QTest::keyClick(list->ListBox1, Qt::Key_Return);
            }});
            form.MenuShioriDispClick();
        }
        QCOMPARE(caption, QStringLiteral("Pelto (しおり一覧)"));
        QCOMPARE(before, QStringList({"000005 : あい line 5", "000030 : あい line 30"}));
        QCOMPARE(form.BigView1->TopRow(), 4);

        // A third one in front; sorted, the second line (line 30) chosen by a
        // double-click. The sort alone leaves the file as it was.
        form.BigView1->SetTopRow(44);
        { Modals notice; form.MenuShioriMemClick(); }
        form.BigView1->SetTopRow(0);
        QStringList sorted;
        {
            Modals again({[&](QWidget* window) {
                auto* list = qobject_cast<TForm6*>(window);
                list->BtnSort->click();
                sorted = Lines(list->ListBox1);
                // A double-click is a click followed by a second press.
                const QPoint point = list->ListBox1->visualItemRect(list->ListBox1->item(1)).center();
                QTest::mouseClick(list->ListBox1->viewport(), Qt::LeftButton, {}, point);
                QTest::mouseDClick(list->ListBox1->viewport(), Qt::LeftButton, {}, point);
            }});
            form.MenuShioriDispClick();
        }
        QCOMPARE(sorted, QStringList({"000005 : あい line 5", "000030 : あい line 30", "000045 : あい line 45"}));
        QCOMPARE(form.BigView1->TopRow(), 29);
        QCOMPARE(Section("ShioriStrName", 3),
                 QStringList({"000045 : あい line 45", "000005 : あい line 5", "000030 : あい line 30"}));

        QStringList cleared;
        {
            Modals clear({[&](QWidget* window) {
                auto* list = qobject_cast<TForm6*>(window);
                list->BtnClear->click();
                cleared = Lines(list->ListBox1);
                QTest::keyClick(list->BtnClear, Qt::Key_Escape);
            }});
            form.MenuShioriDispClick();
            QCOMPARE(clear.Forced(), 0);   // Escape closed it
        }
        QCOMPARE(cleared, QStringList{QString()});
        QCOMPARE(Section("ShioriStrName", 9), QStringList(9, QString()));
        QCOMPARE(form.BigView1->TopRow(), 29);
    }

    void bookmarkLimitAndBadLines()
    {
        const QString path = MakeDocument(QStringLiteral("few.log"), 10);
        WriteIni("[KoumokuSetNum]\nEditShioriResum=0\n[ShioriStrName]\n1=000003 : x\n");
        {
            TForm1 form({path});
            QStringList lines;
            Modals modals({[&](QWidget* window) {
                auto* list = qobject_cast<TForm6*>(window);
                lines = Lines(list->ListBox1);
                list->BtnRireki->click();
            }});
            form.MenuShioriDispClick();
            QCOMPARE(lines, QStringList{QString()});
            QCOMPARE(modals.titles.size(), 1);
        }
        WriteIni("[ShioriStrName]\n1=000000 : zero\n");
        TForm1 form({path});
        Modals modals({EnterOnLine(QStringLiteral("zero"))});
        form.MenuShioriDispClick();
        QCOMPARE(modals.texts.value(1), kOutOfRange);
    }

    void bookmarksAreGoneAfterARestart()
    {
        const QString path = MakeDocument(QStringLiteral("run.log"), 10);
        {
            TForm1 form({path});
            form.BigView1->SetTopRow(3);
            Modals notice;
            form.MenuShioriMemClick();
            QCOMPARE(Read("ShioriStrName", "1"), std::string("000004 : あい line 4"));
            form.close();
        }
        QCOMPARE(Section("ShioriStrName", 9), QStringList(9, QString()));
        TForm1 form({path});
        QStringList lines;
        Modals modals({[&](QWidget* window) {
            lines = Lines(qobject_cast<TForm6*>(window)->ListBox1);
            qobject_cast<QDialog*>(window)->reject();
        }});
        form.MenuShioriDispClick();
        QCOMPARE(lines, QStringList{QString()});
    }
};

QTEST_MAIN(PositionsTest)
#include "PositionsTest.moc"

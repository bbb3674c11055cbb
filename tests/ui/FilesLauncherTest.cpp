// The file list and its excluded extensions, the launcher's dialogs and runs,
// and the registry of running copies tested between two real processes.

#include "app/AnotherForm.h"
#include "app/Main.h"
#include "filelist/Filedsp.h"
#include "filelist/Fileext.h"
#include "launcher/ApliEdit.h"
#include "launcher/Apliexe.h"
#include "launcher/Apliset.h"
#include "launcher/Launcher.h"
#include "platform/Instances.h"
#include "settings/IniFile.h"
#include "view/BigView.h"

#include "UiTestSupport.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <vector>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

using Modals = uitest::MessageModals;
using uitest::Lines;

template <typename Form>
Modals::Step On(std::function<void(Form*)> act)
{
    return [act](QWidget* window) {
        if (auto* form = qobject_cast<Form*>(window))
            act(form);
    };
}

// Fills the entry editor and presses OK.
Modals::Step FillEditor(const QString& title, const QString& program, const QString& shortCut = QString())
{
    return On<TForm12>([=](TForm12* editor) {
        editor->Edit1->setText(title);
        editor->Edit2->setText(program);
        editor->Edit5->setText(shortCut);
        editor->BtnOk->click();
    });
}

pelto::LauncherSlots Entries(const QStringList& titles)
{
    pelto::LauncherSlots table{};
    for (int index = 0; index < titles.size(); ++index)
        table[index] = {titles[index].toStdString(), "/bin/" + titles[index].toStdString(), "", "", " "};
    return table;
}

const QString kLimit = QStringLiteral("    設定個数は ９ 個までです。          ");

}  // namespace

class FilesLauncherTest : public QObject, uitest::ProgramFolder {
    Q_OBJECT

private:
    QString ListPath() const { return folder_.filePath(QStringLiteral("pelto.DIR")); }
    QString LogFolder() const { return folder_.filePath(QStringLiteral("logs")); }

    QByteArray ReadFile(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    // A CP932 document of `lines` lines in the log folder.
    QString MakeLog(const QString& name, int lines = 3)
    {
        return MakeDocument(QStringLiteral("logs/") + name, lines);
    }

    QString Current(const TForm1& form) const { return QString::fromStdString(form.CurrentFileName); }

private slots:
    void initTestCase() { UseAsProgramFolder(); }

    void init()
    {
        QFile::remove(IniPath());
        QFile::remove(ListPath());
        QDir(LogFolder()).removeRecursively();
        QVERIFY(QDir().mkpath(LogFolder()));
    }

    void cleanupTestCase() { StopUsingProgramFolder(); }

    // ---- file list --------------------------------------------------------

    void captureAndStepThroughTheFolder()
    {
        const QString a = MakeLog(QStringLiteral("A.TXT"));
        MakeLog(QStringLiteral("B.EXE"));
        const QString d = MakeLog(QStringLiteral("D.LOG"), 7);
        TForm1 form({a});
        Modals notice;
        form.MenuFileGetClick();
        QCOMPARE(notice.texts, QStringList({QStringLiteral("    ファイル一覧取得が完了しました。   ")}));
        QCOMPARE(ReadFile(ListPath()), (a + "\r\n" + d + "\r\n").toUtf8());
        QCOMPARE(form.FileListIndex, 0);

        form.MenuFilePlusClick();
        QCOMPARE(Current(form), d);
        QCOMPARE(form.FileListIndex, 1);
        QVERIFY(form.windowTitle().contains(d + QStringLiteral("  全行数 : ")));
        QCOMPARE(form.BigView1->LineCount(), 7);
        // At the end the same file again, then back to the first and no further.
        form.MenuFilePlusClick();
        QCOMPARE(form.FileListIndex, 1);
        form.MenuFileMinusClick();
        form.MenuFileMinusClick();
        QCOMPARE(Current(form), a);
        QCOMPARE(form.FileListIndex, 0);
        QCOMPARE(notice.titles.size(), 1);
    }

    void withoutADocumentTheCurrentFolderIsCaptured()
    {
        const QString a = MakeLog(QStringLiteral("A.TXT"));
        MakeLog(QStringLiteral("B.EXE"));
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(LogFolder()));
        TForm1 form({});
        Modals notice;
        form.MenuFileGetClick();
        QDir::setCurrent(before);
        QCOMPARE(notice.texts, QStringList({QStringLiteral("    ファイル一覧取得が完了しました。   ")}));
        // Named in full, so the list opens its files from any folder.
        QCOMPARE(ReadFile(ListPath()), (a + "\r\n").toUtf8());
        form.MenuFilePlusClick();
        QCOMPARE(Current(form), a);
    }

    void aSteppedToFileThatIsGoneChangesNothing()
    {
        const QString a = MakeLog(QStringLiteral("a.txt"));
        const QString b = MakeLog(QStringLiteral("b.txt"));
        QVERIFY(QFile::exists(WriteFile(QStringLiteral("pelto.DIR"), (a + "\r\n" + b + "\r\n").toUtf8())));
        QVERIFY(QFile::remove(b));
        TForm1 form({a});
        const QString title = form.windowTitle();
        Modals warning;
        form.MenuFilePlusClick();
        QCOMPARE(warning.texts,
                 QStringList({QStringLiteral("   %1 の指定されたファイルが存在しません。          ").arg(b)}));
        QCOMPARE(Current(form), a);
        QCOMPARE(form.windowTitle(), title);
        QCOMPARE(form.FileListIndex, 1);
    }

    void withoutAListFileEachListCommandSaysSo()
    {
        const QString a = MakeLog(QStringLiteral("a.txt"));
        TForm1 form({a});
        const QString expected = QStringLiteral("   %1 の指定されたファイルが存在しません。          ").arg(ListPath());
        Modals warnings;
        form.MenuFileDispClick();
        form.MenuFilePlusClick();
        form.MenuFileMinusClick();
        QCOMPARE(warnings.texts, QStringList({expected, expected, expected}));
        QCOMPARE(Current(form), a);
    }

    void theListWindowOpensTheChosenFile()
    {
        const QString a = MakeLog(QStringLiteral("a.txt"));
        const QString b = MakeLog(QStringLiteral("b b;.txt"));
        MakeLog(QStringLiteral("c.txt"));
        // The capture's folder is where every name is opened.
        QVERIFY(QFile::exists(WriteFile(QStringLiteral("pelto.DIR"), (a + "\r\n" + QStringLiteral("/elsewhere/b b;.txt")
                                                                     + "\r\n" + LogFolder() + "/c.txt\r\n").toUtf8())));
        TForm1 form({a});
        form.FileListIndex = 7;   // beyond the list: its last line is selected
        QStringList shown;
        QString folder;
        int selected = -2;
        {
            Modals driver({On<TForm8>([&](TForm8* window) {
                shown = Lines(window->ListBox1);
                folder = window->Edit1->text();
                selected = window->ListBox1->selectedItems().isEmpty() ? -1 : window->ListBox1->currentRow();
                window->ListBox1->setCurrentRow(1);
                QTest::keyClick(window->ListBox1, Qt::Key_Return);
            })});
            form.MenuFileDispClick();
        }
        QCOMPARE(shown, QStringList({"a.txt", "b b;.txt", "c.txt"}));
        QCOMPARE(folder, LogFolder() + u'/');
        QCOMPARE(selected, 2);
        QCOMPARE(Current(form), b);
        QCOMPARE(form.FileListIndex, 1);

        // Escape chooses nothing; Backspace neither.
        Modals cancel({On<TForm8>([](TForm8* window) { QTest::keyClick(window->ListBox1, Qt::Key_Escape); }),
                       On<TForm8>([](TForm8* window) { QTest::keyClick(window->ListBox1, Qt::Key_Backspace); })});
        form.MenuFileDispClick();
        form.MenuFileDispClick();
        QCOMPARE(Current(form), b);
        QCOMPARE(cancel.titles, QStringList({"Pelto (ﾌｧｲﾙ一覧)", "Pelto (ﾌｧｲﾙ一覧)"}));
        QCOMPARE(cancel.Forced(), 0);   // each key closed its window
    }

    void excludedExtensionsAreEditedAndUsed()
    {
        const QString a = MakeLog(QStringLiteral("a.txt"));
        const QString readme = MakeLog(QStringLiteral("README"));
        TForm1 form({a});
        QStringList shown;
        {
            Modals save({On<TForm16>([&](TForm16* dialog) {
                for (QLineEdit* edit : dialog->Edits)
                    shown << edit->text();
                dialog->Edits[4]->setText(QStringLiteral(".TXT"));
                dialog->Edits[5]->clear();
                dialog->BtnOk->click();
            })});
            form.MenuExtSetClick();
        }
        QCOMPARE(shown.mid(0, 5), QStringList({".COM", ".EXE", ".DLL", ".REG", ".*"}));
        QCOMPARE(shown.count(QStringLiteral(".*")), 60);
        const pelto::IniFile ini(IniPath().toStdString());
        QCOMPARE(ini.ReadString("FileWriteExtName", "5", ""), std::string(".TXT"));
        QCOMPARE(ini.ReadString("FileWriteExtName", "6", "<missing>"), std::string());

        // Text files and names without an extension are now left out.
        {
            Modals notice;
            form.MenuFileGetClick();
        }
        QCOMPARE(ReadFile(ListPath()), QByteArray());
        QVERIFY(QFile::exists(readme));

        // Cancel writes nothing.
        const QByteArray before = ReadFile(IniPath());
        Modals cancel({On<TForm16>([](TForm16* dialog) {
            dialog->Edits[0]->setText(QStringLiteral(".X"));
            QTest::keyClick(dialog->Edits[0], Qt::Key_Escape);
        })});
        form.MenuExtSetClick();
        QCOMPARE(cancel.Forced(), 0);   // Escape closed it
        QCOMPARE(ReadFile(IniPath()), before);
    }

    // ---- launcher settings -------------------------------------------------

    void addingStartsAtSlotOneAndStopsAtNine()
    {
        TForm11 dialog(pelto::LauncherSlots{});
        QCOMPARE(Lines(dialog.ListBox1), QStringList({QString()}));
        QVERIFY(!dialog.BtnPaste->isEnabled());
        {
            Modals add({FillEditor(QStringLiteral("Editor"), QStringLiteral("/bin/vi"))});
            dialog.BtnAdd->click();
        }
        QCOMPARE(dialog.Slots()[0].Title, std::string("Editor"));
        // An empty label is kept as one blank.
        QCOMPARE(dialog.Slots()[0].ShortCut, std::string(" "));
        QCOMPARE(Lines(dialog.ListBox1), QStringList({"Editor"}));

        TForm11 eight(Entries({"1", "2", "3", "4", "5", "6", "7", "8"}));
        {
            Modals ninth({FillEditor(QStringLiteral("9"), QStringLiteral("/bin/nine"))});
            eight.BtnAdd->click();
        }
        QCOMPARE(eight.Slots()[8].Title, std::string("9"));
        QCOMPARE(eight.ListBox1->currentRow(), 8);
        Modals limit;
        eight.BtnAdd->click();
        eight.BtnCopy->click();
        eight.BtnPaste->click();
        QCOMPARE(limit.texts, QStringList({kLimit, kLimit}));
    }

    void theEditorChecksAndBrowses()
    {
        pelto::LauncherEntry entry{"Old", "/bin/old", "", "", " "};
        TForm12 editor(entry);
        // A label of one blank shows as an empty edit.
        QCOMPARE(editor.Edit5->text(), QString());
        Modals messages;
        editor.Edit1->clear();
        editor.BtnOk->click();
        editor.Edit1->setText(QStringLiteral("T"));
        editor.Edit2->clear();
        editor.BtnOk->click();
        QCOMPARE(messages.texts, QStringList({QStringLiteral("    タイトル名は必ず指定してください。          "),
                                              QStringLiteral("    実行ファイル名は必ず指定してください。          ")}));
        QCOMPARE(entry.Title, std::string("Old"));

        editor.Edit1->clear();
        editor.Edit3->setText(QStringLiteral("%f"));
        editor.Edit5->setText(QStringLiteral("F5"));
        editor.ApplyChosenFile(QStringLiteral("/tools/EDIT.EXE"));
        QCOMPARE(editor.Edit1->text(), QStringLiteral("EDIT.EXE"));
        QCOMPARE(editor.Edit2->text(), QStringLiteral("/tools/EDIT.EXE"));
        QCOMPARE(editor.Edit3->text(), QString());
        QCOMPARE(editor.Edit4->text(), QStringLiteral("/tools"));
        QCOMPARE(editor.Edit5->text(), QStringLiteral("F5"));
        // A title already typed stays.
        editor.Edit1->setText(QStringLiteral("Mine"));
        editor.ApplyChosenFile(QStringLiteral("/usr/bin/vi"));
        QCOMPARE(editor.Edit1->text(), QStringLiteral("Mine"));
        editor.BtnOk->click();
        QCOMPARE(entry, (pelto::LauncherEntry{"Mine", "/usr/bin/vi", "", "/usr/bin", "F5"}));
    }

    void deletingCuttingAndPastingKeepTheSlotsPacked()
    {
        TForm11 dialog(Entries({"A", "B", "C"}));
        dialog.ListBox1->setCurrentRow(2);
        dialog.BtnDel->click();
        QCOMPARE(Lines(dialog.ListBox1), QStringList({"A", "B"}));
        QCOMPARE(dialog.ListBox1->currentRow(), 1);

        dialog.ListBox1->setCurrentRow(0);
        dialog.BtnCut->click();
        QVERIFY(dialog.BtnPaste->isEnabled());
        QCOMPARE(Lines(dialog.ListBox1), QStringList({"B"}));
        dialog.BtnPaste->click();   // in front of B
        QCOMPARE(Lines(dialog.ListBox1), QStringList({"A", "B"}));
        QCOMPARE(dialog.ListBox1->currentRow(), 0);
        dialog.BtnDown->click();
        QCOMPARE(Lines(dialog.ListBox1), QStringList({"B", "A"}));
        QCOMPARE(dialog.ListBox1->currentRow(), 1);
        dialog.BtnDown->click();   // already last
        dialog.BtnUp->click();
        dialog.BtnUp->click();     // already first
        QCOMPARE(Lines(dialog.ListBox1), QStringList({"A", "B"}));
        QCOMPARE(dialog.Slots()[0].Program, std::string("/bin/A"));

        dialog.BtnDel->click();
        dialog.BtnDel->click();
        QCOMPARE(Lines(dialog.ListBox1), QStringList({QString()}));
        QCOMPARE(dialog.ListBox1->currentRow(), 0);
        // The empty item is no slot: copying it and pasting must not put an
        // empty slot in front of the entries.
        TForm11 fresh(pelto::LauncherSlots{});
        fresh.BtnCopy->click();
        fresh.BtnCut->click();
        QVERIFY(!fresh.BtnPaste->isEnabled());
        dialog.BtnPaste->click();   // the clipboard still holds A
        QCOMPARE(Lines(dialog.ListBox1), QStringList({"A"}));
        dialog.BtnCopy->click();
        dialog.BtnPaste->click();
        QCOMPARE(Lines(dialog.ListBox1), QStringList({"A", "A"}));
        for (size_t slot = 2; slot < dialog.Slots().size(); ++slot)
            QVERIFY(dialog.Slots()[slot].IsFree());
    }

    void okWritesAllSlotsAndCancelNothing()
    {
        WriteIni("[ProgTitle]\n2=Second\n[ProgName]\n2=/bin/second\n");
        TForm1 form({});
        QStringList listed;
        const QByteArray before = ReadFile(IniPath());
        {
            Modals cancel({On<TForm11>([&](TForm11* dialog) {
                listed = Lines(dialog->ListBox1);
                dialog->ListBox1->setCurrentRow(0);
                dialog->BtnDel->click();
                dialog->BtnCansel->click();
            })});
            form.MenuLaunchClick();
        }
        QCOMPARE(listed, QStringList({"Second"}));
        QCOMPARE(ReadFile(IniPath()), before);

        Modals ok({On<TForm11>([](TForm11* dialog) { dialog->BtnOk->click(); })});
        form.MenuLaunchClick();
        const pelto::IniFile ini(IniPath().toStdString());
        // Packed on reading: the hand-made gap is gone once written.
        QCOMPARE(ini.ReadString("ProgTitle", "1", ""), std::string("Second"));
        QCOMPARE(ini.ReadString("ProgName", "1", ""), std::string("/bin/second"));
        QCOMPARE(ini.ReadString("ProgTitle", "2", "<missing>"), std::string());
        QCOMPARE(ini.ReadString("ProgShortCut", "9", "<missing>"), std::string());
        QCOMPARE(form.ProgTitle[1], std::string("Second"));
    }

    // ---- running an entry ----------------------------------------------------

    void theRunDialogStartsTheSlotOfTheChosenItem()
    {
        pelto::LauncherSlots table{};
        table[1] = {"Two", "/bin/two", "", "", "F2"};
        table[4] = {"Five", "/bin/five", "", "", " "};
        TForm13 dialog(table);
        QCOMPARE(Lines(dialog.ListBox1), QStringList({"Two  F2", "Five   "}));
        dialog.ListBox1->setCurrentRow(1);
        QTest::keyClick(dialog.ListBox1, Qt::Key_Return);
        QCOMPARE(dialog.LaunchChoice, 5);

        TForm13 empty(pelto::LauncherSlots{});
        QCOMPARE(Lines(empty.ListBox1), QStringList({QString()}));
        empty.BtnOk->click();
        QCOMPARE(empty.LaunchChoice, -1);

        TForm13 cancelled(table);
        cancelled.show();
        cancelled.ListBox1->setCurrentRow(1);
        QTest::keyClick(cancelled.ListBox1, Qt::Key_Escape);
        QVERIFY(!cancelled.isVisible());
        QCOMPARE(cancelled.result(), int(QDialog::Rejected));
        QCOMPARE(cancelled.LaunchChoice, -1);
    }

    void aLaunchHandsEachValueOverAsOneArgument()
    {
        // The program records what it receives, one argument a line, then its folder.
        const QString record = folder_.filePath(QStringLiteral("args.txt"));
        QFile::remove(record);
        const QString script = WriteFile(QStringLiteral("record.sh"),
                                         "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > \""
                                             + record.toUtf8() + ".part\"\npwd >> \"" + record.toUtf8()
                                             + ".part\"\nmv \"" + record.toUtf8() + ".part\" \"" + record.toUtf8()
                                             + "\"\n");
        QVERIFY(QFile::exists(script));
        QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QString document = MakeLog(QStringLiteral("my log; $(id) 100%lb.txt"), 40);
        WriteIni("[ProgTitle]\n1=Record\n[ProgName]\n1=" + script.toUtf8()
                 + "\n[ProgOption]\n1=\"--file=%f\" -n %l %p\n[ProgDir]\n1=" + LogFolder().toUtf8() + "\n");
        TForm1 form({document});
        form.show();
        form.BigView1->SetTopRow(9);
        form.LaunchChoice = 1;
        form.ProgramExecute();
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(record), 5000);
        const QByteArray expected = "[--file=" + document.toUtf8() + "]\n[-n]\n[9]\n[" + LogFolder().toUtf8()
                                    + "/]\n" + LogFolder().toUtf8() + "\n";
        QCOMPARE(ReadFile(record), expected);
        // A successful start closes the viewer.
        QTRY_VERIFY(!form.isVisible());

        // From the run dialog %l counts from 1.
        QFile::remove(record);
        TForm1 second({document});
        second.BigView1->SetTopRow(9);
        Modals run({On<TForm13>([](TForm13* dialog) { dialog->BtnOk->click(); })});
        second.MenuLaunchExeClick();
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(record), 5000);
        QVERIFY2(ReadFile(record).contains("\n[-n]\n[10]\n"), ReadFile(record).constData());
    }

    void aFailedStartIsReportedAndTheViewerStays()
    {
        const QString document = MakeLog(QStringLiteral("a.txt"));
        WriteIni("[ProgTitle]\n1=Gone\n[ProgName]\n1=/nonexistent/%l/tool\n");
        TForm1 form({document});
        form.show();
        Modals warning;
        form.LaunchChoice = 1;
        form.ProgramExecute();
        QCOMPARE(warning.texts, QStringList({QStringLiteral("    /nonexistent/0/tool の実行に失敗しました。          ")}));
        QVERIFY(form.isVisible());
        // A slot without a program starts nothing and says nothing.
        form.LaunchChoice = 2;
        form.ProgramExecute();
        QCOMPARE(warning.titles.size(), 1);
    }

    // ---- running copies ----------------------------------------------------------

    void copiesFindAndRaiseEachOther()
    {
        const QString socketFolder = pelto::InstanceFolder();
        QVERIFY(!socketFolder.isEmpty());
        QCOMPARE(QFileInfo(socketFolder).permissions() & 0x0077, QFile::Permissions());

        // A socket nobody listens on any more, as a crashed copy leaves it.
        const QString stale = socketFolder + QStringLiteral("/999999999");
        {
            const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            qstrncpy(address.sun_path, QFile::encodeName(stale).constData(), sizeof(address.sun_path));
            QCOMPARE(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
            ::close(fd);
        }
        QVERIFY(QFileInfo::exists(stale));

        QProcess other;
        other.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        other.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--copy"), QStringLiteral("Pelto other")});
        QVERIFY(other.waitForStarted(5000));
        // What the other copy said so far; read as it comes, checked as a whole.
        QByteArray said;
        const auto saidTimes = [&](const char* word) {
            said += other.readAllStandardOutput();
            return said.count(word);
        };
        QTRY_COMPARE_WITH_TIMEOUT(saidTimes("ready"), 1, 10000);

        const QString document = MakeLog(QStringLiteral("a.txt"));
        TForm1 form({document});
        const QList<pelto::RunningCopy> copies = pelto::ListRunningCopies(2000);
        QVERIFY(!QFileInfo::exists(stale));
        QCOMPARE(copies.size(), 2);
        QVERIFY(copies[0].IsSelf);
        QCOMPARE(copies[0].Title, form.windowTitle());
        QCOMPARE(copies[1].Title, QStringLiteral("Pelto other"));
        QCOMPARE(copies[1].Pid, other.processId());

        // F2: the other copy, minimised, comes forward.
        form.FocusMoveToAnother();
        QTRY_COMPARE_WITH_TIMEOUT(saidTimes("forward"), 1, 5000);

        // F3 lists both and brings the chosen one forward by identity.
        QStringList listed;
        Modals choose({On<TForm18>([&](TForm18* window) {
            listed = Lines(window->ListBox1);
            window->ListBox1->setCurrentRow(1);
            window->BtnChange->click();
        })});
        form.FocusSelectAnother();
        QCOMPARE(listed, QStringList({form.windowTitle(), QStringLiteral("Pelto other")}));
        QCOMPARE(form.SelectedTitle, QStringLiteral("Pelto other"));
        QTRY_COMPARE_WITH_TIMEOUT(saidTimes("forward"), 2, 5000);

        other.kill();
        other.waitForFinished(5000);
        // Alone, F2 does nothing; the dead copy's socket is swept away.
        form.FocusMoveToAnother();
        QCOMPARE(pelto::ListRunningCopies().size(), 1);
        QCOMPARE(QDir(socketFolder).entryList(QDir::System | QDir::Files).size(), 1);
    }

    // Every copy is asked at once while the event loop runs: a copy that asks
    // this one back before it answers is listed, a hung one is not waited for.
    void copiesAreAskedAtOnceAndMayAskBack()
    {
        const QString socketFolder = pelto::InstanceFolder();
        const QString document = MakeLog(QStringLiteral("a.txt"));
        TForm1 form({document});
        const QString ownPath = socketFolder + u'/' + QString::number(QCoreApplication::applicationPid());

        QLocalServer hung;   // takes the connection, never answers
        QVERIFY(hung.listen(socketFolder + QStringLiteral("/999999997")));
        QLocalServer asking;
        QVERIFY(asking.listen(socketFolder + QStringLiteral("/999999998")));
        QByteArray heardBack;
        connect(&asking, &QLocalServer::newConnection, this, [&] {
            QLocalSocket* request = asking.nextPendingConnection();
            auto* back = new QLocalSocket(request);
            connect(back, &QLocalSocket::connected, back, [back] { back->write("INFO\n"); });
            connect(back, &QLocalSocket::readyRead, back, [&heardBack, back, request] {
                heardBack += back->readAll();
                if (heardBack.endsWith('\n'))
                    request->write("COPY 999999998 1 " + QByteArray("Pelto asking").toBase64() + '\n');
            });
            back->connectToServer(ownPath);
        });

        const QList<pelto::RunningCopy> copies = pelto::ListRunningCopies(1000);
        QVERIFY(heardBack.startsWith("COPY "));
        QCOMPARE(copies.size(), 2);
        QVERIFY(copies[0].IsSelf);
        QCOMPARE(copies[1].Title, QStringLiteral("Pelto asking"));
    }

    void withoutAFileManagerF4DoesNothing()
    {
        // No session bus here: nothing is started and nothing is said.
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        const QString document = MakeLog(QStringLiteral("a.txt"));
        TForm1 form({document});
        Modals none;
        form.FocusMoveToApli();
        form.FocusMoveToApliMinimized();
        QVERIFY(none.titles.isEmpty());
        QCOMPARE(Current(form), document);
    }
};

// The other copy of the registry test: a window titled as asked, minimised,
// that says "forward" each time it is asked to come forward.
static int RunOtherCopy(int argc, char** argv, const QString& title)
{
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle(title);
    window.showMinimized();
    if (!pelto::StartInstanceServer(&window))
        return 1;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&window] {
        if (!(window.windowState() & Qt::WindowMinimized)) {
            fputs("forward\n", stdout);
            fflush(stdout);
            window.showMinimized();
        }
    });
    poll.start(20);
    fputs("ready\n", stdout);
    fflush(stdout);
    return application.exec();
}

int main(int argc, char** argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--copy") == 0)
        return RunOtherCopy(argc, argv, QString::fromUtf8(argv[2]));
    return uitest::RunWithPrivateRuntime<FilesLauncherTest>(argc, argv);
}

#include "FilesLauncherTest.moc"

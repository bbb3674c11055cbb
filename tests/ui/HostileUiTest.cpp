// Hostile documents, settings and side files met by the real main window:
// the message the user gets, or the document shown and usable.

#include "app/Main.h"
#include "settings/ExePaths.h"
#include "settings/IniFile.h"
#include "view/BigView.h"
#include "view/BvStrings.h"

#include "UiTestSupport.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <random>

namespace {

const QString kUnreadable = QStringLiteral("   指定されたファイルがオープンできません。          ");

// Closes every modal window that comes up and keeps its text, so no test
// can hang on a message.
class ModalCloser : public uitest::ModalDriver {
public:
    ModalCloser() : ModalDriver({}, {.forgetWhenNone = true}) {}

    QStringList messages;

protected:
    void Note(QWidget* window) override
    {
        if (auto* box = qobject_cast<QMessageBox*>(window))
            messages << box->text();
        else if (auto* label = window->findChild<QLabel*>(QStringLiteral("Label1")))
            messages << label->text();
        else
            messages << window->windowTitle();
    }
};

// Restores the line store's load settings a test changed.
struct LoadSettings {
    size_t parallelFrom = pelto::TBvStrings::ParallelLoadThreshold();
    ~LoadSettings()
    {
        pelto::TBvStrings::SetParallelLoadThreshold(parallelFrom);
        pelto::TBvStrings::SetLoadLineLimit(pelto::TBvStrings::MaxCapacity);
    }
};

bool ShownFromTheFile(const QString& path)
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains(QFile::encodeName(path));
}

}  // namespace

class HostileUiTest : public QObject, uitest::ProgramFolder {
    Q_OBJECT

private:
    // `lines` lines; the last one holds "needle".
    static QByteArray Numbered(int lines)
    {
        QByteArray bytes;
        for (int line = 1; line <= lines; ++line)
            bytes += "\x82\xa0 line " + QByteArray::number(line) + (line == lines ? " needle" : "") + "\r\n";
        return bytes;
    }

    // Shows the window at a fixed size; whether it came up.
    static bool Shown(TForm1& form)
    {
        form.resize(640, 480);
        form.show();
        return QTest::qWaitForWindowExposed(&form);
    }

    static QString Title(const TForm1& form, const QString& path)
    {
        return QStringLiteral("Pelto (ﾒｲﾝ)  %1  全行数 : %2 (%3)")
            .arg(path)
            .arg(form.BigView1->RowCount())
            .arg(form.BigView1->LineCount());
    }

private slots:
    void initTestCase()
    {
        UseAsProgramFolder();
        // Reachable by the unprivileged user of the unreadable-file case.
        QFile::setPermissions(folder_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                  QFile::ReadOther | QFile::ExeOther);
    }

    void init() { QFile::remove(IniPath()); }

    void cleanupTestCase() { StopUsingProgramFolder(); }

    void hostileDocumentsGiveTheMessage_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("device") << QStringLiteral("device");
        QTest::newRow("unreadable") << QStringLiteral("unreadable");
        QTest::newRow("too many lines, one reader") << QStringLiteral("lines");
        QTest::newRow("too many lines, two readers") << QStringLiteral("lines parallel");
    }

    void hostileDocumentsGiveTheMessage()
    {
        QFETCH(QString, kind);
        LoadSettings restore;
        const QString shown = WriteFile(QStringLiteral("shown.log"), Numbered(12));
        TForm1 form({shown});
        form.BigView1->SetTopRow(3);
        const QString title = form.windowTitle();

        QString path;
        bool asNobody = false;
        if (kind == QLatin1String("device")) {
            path = folder_.filePath(QStringLiteral("zero.log"));
            QFile::remove(path);
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
        } else if (kind == QLatin1String("unreadable")) {
            path = WriteFile(QStringLiteral("secret.log"), Numbered(5));
            QVERIFY(::chmod(QFile::encodeName(path).constData(), 0) == 0);
            asNobody = ::geteuid() == 0;
        } else {
            path = WriteFile(QStringLiteral("many.log"), Numbered(2001));
            pelto::TBvStrings::SetLoadLineLimit(2000);
            if (kind.endsWith(QLatin1String("parallel")))
                pelto::TBvStrings::SetParallelLoadThreshold(4096);
        }

        ModalCloser closer;
        // Root reads anything: the open runs with an unprivileged user's rights.
        if (asNobody)
            QVERIFY(::seteuid(65534) == 0);
        const bool opened = form.OpenDocument(path);
        if (asNobody)
            QVERIFY(::seteuid(0) == 0);
        QVERIFY(!opened);
        QCOMPARE(closer.messages, QStringList({kUnreadable}));
        QCOMPARE(form.windowTitle(), title);
        QCOMPARE(form.BigView1->LineCount(), 12);
        QCOMPARE(form.BigView1->TopRow(), 3);
        QCOMPARE(QString::fromStdString(form.CurrentFileName), shown);
    }

    // NUL, 0xFF and lone lead bytes are shown, one drawn cell per byte.
    void binaryDocumentIsShown()
    {
        QByteArray bytes;
        std::mt19937 random(99);
        for (int i = 0; i < 50000; ++i)
            bytes += static_cast<char>(random() % 0x1A);  // control bytes and NUL, 0x1A never
        for (int i = 0; i < 50000; ++i)
            bytes += static_cast<char>(0x80 | (random() & 0x7F));
        bytes += QByteArray(100, '\0') + "\r\nlast\x81";
        const QString path = WriteFile(QStringLiteral("binary.bin"), bytes);
        ModalCloser closer;
        TForm1 form({path});
        QVERIFY(Shown(form));
        QVERIFY(closer.messages.isEmpty());
        QCOMPARE(form.windowTitle(), Title(form, path));
        QCOMPARE(QByteArray::fromStdString(form.BigView1->GetLine(form.BigView1->LineCount() - 1)),
                 QByteArray("last\x81"));
        for (int row : {0, form.BigView1->RowCount() / 2, form.BigView1->RowCount() - 1}) {
            form.BigView1->SetTopRow(row);
            QVERIFY(!form.BigView1->grab().isNull());
        }
        QTest::keyClick(form.BigView1, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClick(form.BigView1, Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(form.BigView1->TopRow(), 0);
    }

    void shownFileTruncatedOrDeletedStaysUsable_data()
    {
        QTest::addColumn<bool>("twoReaders");
        QTest::addColumn<bool>("deleted");
        QTest::newRow("copied, truncated") << false << false;
        QTest::newRow("copied, deleted") << false << true;
        QTest::newRow("two readers, truncated") << true << false;
        QTest::newRow("two readers, deleted") << true << true;
    }

    void shownFileTruncatedOrDeletedStaysUsable()
    {
        QFETCH(bool, twoReaders);
        QFETCH(bool, deleted);
        LoadSettings restore;
        if (twoReaders)
            pelto::TBvStrings::SetParallelLoadThreshold(4096);
        const int lines = 30000;
        const QString path = WriteFile(QStringLiteral("shown.log"), Numbered(lines));
        ModalCloser closer;
        TForm1 form({path});
        QVERIFY(Shown(form));
        QCOMPARE(form.BigView1->LineCount(), lines);
        // A large file is shown from its pages only until the window has a
        // copy of its own, moments after it opened.
        QTRY_VERIFY_WITH_TIMEOUT(!ShownFromTheFile(path), 20000);

        // Another program empties or removes the file.
        if (deleted) {
            QVERIFY(QFile::remove(path));
        } else {
            // An open with O_TRUNC, as a shell redirection does.
            QCOMPARE(QProcess::execute(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral(": > \"$1\""),
                                                              QStringLiteral("sh"), path}),
                     0);
            QCOMPARE(QFileInfo(path).size(), 0);
        }
        if (!deleted)
            QVERIFY(!ShownFromTheFile(path));

        // Scrolling and painting.
        QTest::keyClick(form.BigView1, Qt::Key_End, Qt::ControlModifier);
        QVERIFY(form.BigView1->TopRow() > 0);
        QVERIFY(!form.BigView1->grab().isNull());
        QCOMPARE(QByteArray::fromStdString(form.BigView1->GetLine(lines - 1)),
                 QByteArray("\x82\xa0 line ") + QByteArray::number(lines) + " needle");

        // Searching from the top.
        form.BigView1->SetTopRow(0);
        form.FindText() = "NEEDLE";
        form.SearchFrom(0, 0, false);
        QCOMPARE(form.BigView1->LineOfRow(form.BigView1->TopRow()), lines - 1);
        QVERIFY(closer.messages.isEmpty());

        // Copying the last two lines.
        form.BigView1->SetTopRow(form.BigView1->RowOfLine(lines - 2));
        form.MenuSelectStartClick();
        form.BigView1->SetTopRow(form.BigView1->RowOfLine(lines - 1));
        form.MenuSelectEndClick();
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 QStringLiteral("あ line %1\r\nあ line %2 needle\r\n").arg(lines - 1).arg(lines));
        QCOMPARE(form.windowTitle(), Title(form, path));
        QVERIFY(closer.messages.isEmpty());
    }

    // A line of more than 2 GiB without a break (a sparse file, so it costs
    // no disk): shown and scrolled to its end.  Minutes and gigabytes of
    // memory, so only when PELTO_HUGE_LINE=1 asks for it.
    void hugeLineIsShown()
    {
        if (qgetenv("PELTO_HUGE_LINE") != "1")
            QSKIP("set PELTO_HUGE_LINE=1 to open a 2 GiB line (slow, needs several GB of memory)");
        const QString path = folder_.filePath(QStringLiteral("huge.log"));
        const qint64 size = (qint64(1) << 31) + 10;
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            QVERIFY(file.resize(size));
            QVERIFY(file.seek(size));
            file.write("END");
        }
        ModalCloser closer;
        TForm1 form({path});
        QVERIFY(Shown(form));
        QVERIFY(closer.messages.isEmpty());
        QCOMPARE(form.windowTitle(), Title(form, path));
        QVERIFY(form.BigView1->RowCount() > (size / 80));
        QTest::keyClick(form.BigView1, Qt::Key_End, Qt::ControlModifier);
        QVERIFY(!form.BigView1->grab().isNull());
        const int lastRow = form.BigView1->RowCount() - 1;
        QVERIFY(QByteArray::fromStdString(form.BigView1->RowText(lastRow)).endsWith("END"));
        QVERIFY(form.BigView1->TopRow() > 0);
        QFile::remove(path);
    }

    // A settings file of garbage bytes does not keep the window from coming up.
    void garbageSettingsStillStart()
    {
        QByteArray garbage("[KoumokuSetNum]\nEditWrapChar=\xff\xfe\nEditTabChar=99999999999999\n"
                           "[TextJyouhou]\nTextFontSize=-\nTextFontColor=$$$\nTextFontName=\x82\n"
                           "[FormMain]\nMem=1\nLeft=-99999999\nWidth=2147483647\nHeight=0x\n[\n=\n");
        std::mt19937 random(5);
        for (int i = 0; i < 20000; ++i)
            garbage += static_cast<char>(random());
        WriteFile(QStringLiteral("pelto.INI"), garbage);
        const QString document = WriteFile(QStringLiteral("doc.log"), Numbered(40));

        ModalCloser closer;
        TForm1 form({document});
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QVERIFY(form.isVisible());
        QCOMPARE(form.BigView1->LineCount(), 40);
        QCOMPARE(form.windowTitle(), Title(form, document));
        // The bad numbers were reported and their defaults taken.
        QVERIFY2(!closer.messages.isEmpty(), "the bad numbers were not reported");
        QCOMPARE(form.BigView1->WrapByte(), 80);
        QTest::keyClick(form.BigView1, Qt::Key_PageDown);
        QVERIFY(form.BigView1->TopRow() > 0);
        // The file stays writable: a later write keeps the garbage and adds the key.
        pelto::IniFile ini(IniPath().toStdString());
        ini.WriteString("JumpLineNum", "1", "7");
        QCOMPARE(ini.ReadString("JumpLineNum", "1", ""), std::string("7"));
        QFile written(IniPath());
        QVERIFY(written.open(QIODevice::ReadOnly));
        QVERIFY(written.readAll().startsWith(garbage));
    }

    // The title file on a full disk: the error box names the file, no notice
    // follows, and the old title file is still whole.
    void titleFileOnAFullDiskKeepsTheOldOne()
    {
        if (::geteuid() != 0)
            QSKIP("a full disk is made by mounting a small tmpfs, which needs root");
        QTemporaryDir disk;
        QVERIFY(disk.isValid());
        if (::mount("tmpfs", QFile::encodeName(disk.path()).constData(), "tmpfs", 0, "size=128k") != 0)
            QSKIP("mounting a tmpfs is not allowed here");
        struct Unmount {
            QByteArray path;
            ~Unmount() { ::umount2(path.constData(), MNT_DETACH); }
        } unmount{QFile::encodeName(disk.path())};
        pelto::SetExecutablePathForTesting(disk.filePath(QStringLiteral("pelto")).toStdString());
        struct Back {
            QString exe;
            ~Back() { pelto::SetExecutablePathForTesting(exe.toStdString()); }
        } back{folder_.filePath(QStringLiteral("pelto"))};

        const QByteArray oldTitles("000001 : old.log\r\n000002 : old title\r\n");
        const QString titleFile = disk.filePath(QStringLiteral("pelto.LOG"));
        {
            QFile file(titleFile);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(oldTitles);
        }
        const QString document = WriteFile(QStringLiteral("forum.log"), Numbered(40));
        ModalCloser closer;
        TForm1 form({document});
        {
            const int fd = ::open(QFile::encodeName(disk.filePath(QStringLiteral("filler"))).constData(),
                                  O_WRONLY | O_CREAT, 0644);
            QVERIFY(fd >= 0);
            const QByteArray block(4096, 'f');
            while (::write(fd, block.constData(), block.size()) > 0) {
            }
            ::close(fd);
        }
        form.MenuAllTitleGetClick();
        QCOMPARE(closer.messages.size(), 1);
        QVERIFY2(closer.messages.first().contains(titleFile), qPrintable(closer.messages.first()));
        QFile file(titleFile);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), oldTitles);
        QCOMPARE(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
    }
};

int main(int argc, char** argv)
{
    return uitest::RunWithPrivateRuntime<HostileUiTest>(argc, argv);
}

#include "HostileUiTest.moc"

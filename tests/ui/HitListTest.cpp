// The hit list: G over the document and Ctrl+G over the captured folder, the
// search dialog before it, Enter jumping with the list kept open, Shift+Enter
// showing the hit's post.

#include "app/Main.h"
#include "navigation/Hitdsp.h"
#include "navigation/Search.h"
#include "view/BigView.h"

#include "UiTestSupport.h"

#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QtTest>

namespace {

// Answers the search dialog with `text`; every later window is rejected and
// its title kept.
uitest::ModalDriver::Step SearchFor(const QString& text)
{
    return [text](QWidget* widget) {
        if (auto* dialog = qobject_cast<TForm4*>(widget)) {
            dialog->Edit1->setText(text);
            dialog->BtnSearch->click();
        }
    };
}

TFormHit* HitList(TForm1& form)
{
    return qobject_cast<TFormHit*>(form.HitListWindow.data());
}

int TopLine1(TForm1& form)
{
    return form.BigView1->LineOfRow(form.BigView1->TopRow()) + 1;
}

}  // namespace

class HitListTest : public QObject, uitest::ProgramFolder {
    Q_OBJECT

private:
    // A post with hits in lines 3, 5 (wrapped inside the word at 80) and 40,
    // before it a hit in line 1 that belongs to no post.
    QString Log(const QString& name)
    {
        QByteArray bytes = "needle before any post\r\n"
                           "00012/00100 ABC01234  name      a title\r\n"
                           "Needle in the body\r\n"
                           "plain\r\n" + QByteArray(76, 'x') + "needle\r\n";
        for (int line = 6; line < 40; ++line)
            bytes += "filler " + QByteArray::number(line) + "\r\n";
        bytes += "last NEEDLE\r\n";
        for (int line = 41; line <= 80; ++line)
            bytes += "tail " + QByteArray::number(line) + "\r\n";
        return WriteFile(name, bytes);
    }

private slots:
    void initTestCase() { UseAsProgramFolder(); }
    void cleanupTestCase() { StopUsingProgramFolder(); }

    void documentHitsJumpAndShowThePost()
    {
        TForm1 form({Log(QStringLiteral("doc.log"))});
        form.Mirror.Placement[pelto::kFormHit] = {true, 40, 50, 520, 330};
        {
            uitest::ModalDriver modals({SearchFor(QStringLiteral("needle"))});
            QTest::keyClick(form.BigView1, Qt::Key_G);
        }
        TFormHit* list = HitList(form);
        QVERIFY(list);
        QCOMPARE(list->windowTitle(), QStringLiteral("Pelto (検索一覧)"));
        QCOMPARE(list->size(), QSize(520, 330));
        const pelto::HitListing& listing = list->Listing();
        QCOMPARE(listing.Hits.size(), size_t(4));
        QCOMPARE(listing.Hits[0].Post.HeaderLine, -1);
        QCOMPARE(listing.Hits[1].Post.Number, 12L);
        QCOMPARE(listing.Hits[2].Line, int64_t(4));  // split by wrapping, found on the line
        QVERIFY(list->LabelStatus->text().startsWith(QStringLiteral("4 件 (4 行, 1 ファイル)")));
        QCOMPARE(Read("FindStrName", "1"), std::string("needle"));

        QTest::keyClick(list->ListBox1, Qt::Key_End);
        QTest::keyClick(list->ListBox1, Qt::Key_Return);
        QCOMPARE(TopLine1(form), 40);
        QVERIFY(list->isVisible());

        QTest::keyClick(list->ListBox1, Qt::Key_Up);
        uitest::ModalDriver viewer;
        QTest::keyClick(list->ListBox1, Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(viewer.titles, QStringList{QStringLiteral("Pelto (ﾂﾘｰ発言)")});
        QFile post(QString::fromStdString(pelto::WorkFilePath(4)));
        QVERIFY(post.open(QIODevice::ReadOnly));
        QVERIFY(post.readAll().startsWith(QByteArray::fromStdString("000001 : " + form.CurrentFileName + "\r\n00012/00100")));

        QTest::keyClick(list->ListBox1, Qt::Key_Escape);
        QTRY_VERIFY(!form.HitListWindow);
    }

    void folderHitsOpenTheOtherFile()
    {
        const QString a = Log(QStringLiteral("a.log"));
        const QString b = WriteFile(QStringLiteral("b.log"), "nothing here\r\n");
        const QString c = Log(QStringLiteral("c.log"));
        const QString gone = folder_.filePath(QStringLiteral("gone.log"));
        WriteFile(QStringLiteral("pelto.DIR"), (a + "\r\n" + b + "\r\n" + gone + "\r\n" + c + "\r\n").toUtf8());
        TForm1 form({a});
        {
            uitest::ModalDriver modals({SearchFor(QStringLiteral("NEEDLE"))});
            QTest::keyClick(form.BigView1, Qt::Key_G, Qt::ControlModifier);
        }
        TFormHit* list = HitList(form);
        QVERIFY(list);
        QCOMPARE(list->Listing().Hits.size(), size_t(8));
        QCOMPARE(list->Listing().FilesSkipped, 1);
        QVERIFY(list->LabelStatus->text().contains(QStringLiteral("8 行, 2 ファイル")));
        QVERIFY(list->LabelStatus->text().contains(QStringLiteral("読めないファイル : 1")));

        QTest::keyClick(list->ListBox1, Qt::Key_End);
        QTest::keyClick(list->ListBox1, Qt::Key_Return);
        QCOMPARE(QString::fromStdString(form.CurrentFileName), c);
        QCOMPARE(TopLine1(form), 40);
        QVERIFY(list->isVisible());
        // Still open at the end: its bounds are kept for the next time.
        list->setGeometry(70, 80, 500, 300);
        form.close();
        QCOMPARE(form.Mirror.Placement[pelto::kFormHit].Width, list->width());
        QCOMPARE(Read("FormHit", "Left"), std::to_string(list->x()));
    }

    void gNeedsADocumentCtrlGNeedsTheList()
    {
        QFile::remove(folder_.filePath(QStringLiteral("pelto.DIR")));
        TForm1 form({});
        uitest::MessageModals modals;
        QTest::keyClick(form.BigView1, Qt::Key_G);
        QTest::keyClick(form.BigView1, Qt::Key_G, Qt::ControlModifier);
        QCOMPARE(modals.texts.size(), 1);
        QVERIFY(modals.texts[0].contains(QStringLiteral("pelto.DIR の指定されたファイルが存在しません。")));
        QVERIFY(!form.HitListWindow);
    }
};

int main(int argc, char** argv)
{
    return uitest::RunWithPrivateRuntime<HitListTest>(argc, argv);
}

#include "HitListTest.moc"

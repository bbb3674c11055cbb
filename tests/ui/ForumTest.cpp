// The forum commands end to end in the main window: title extraction and the
// title list, the tree build with its progress caption, the tree list with its
// jump and thread cut, and the tree post viewer with its wrap switch.

#include "app/Main.h"
#include "forum/PostHeader.h"
#include "forum/ReplyTree.h"
#include "forum/ThreadCut.h"
#include "forum/Titledsp.h"
#include "forum/Treedsp.h"
#include "forum/Treeview.h"
#include "navigation/JumpRule.h"
#include "navigation/Wrapchg.h"
#include "platform/Application.h"
#include "settings/ExePaths.h"
#include "text/Cp932.h"
#include "view/BigView.h"

#include "UiTestSupport.h"

#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <deque>
#include <functional>

namespace {

// Answers the modal windows as they appear, nested ones included: each new
// window gets the next action; a window left open by its action, or one with
// no action left, is rejected, so a failed check never leaves a test waiting.
class ModalScript : public QObject {
public:
    using Action = std::function<void(QWidget*)>;

    explicit ModalScript(std::deque<Action> actions) : actions_(std::move(actions)) { Schedule(); }
    ~ModalScript() override { stopped_ = true; }

    QStringList titles;   // window titles in the order the windows appeared
    QStringList texts;    // message box and message window texts

private:
    // A fresh single shot each time: a repeating timer would not fire again
    // while an action waits in a nested dialog of its own.
    void Schedule()
    {
        QTimer::singleShot(15, this, [this] { Tick(); });
    }

    void Tick()
    {
        if (stopped_)
            return;
        Schedule();
        QWidget* widget = QApplication::activeModalWidget();
        if (!widget)
            return;
        for (const Seen& seen : seen_) {
            if (seen.widget == widget) {
                if (!seen.acting && ++waited_ > 40)
                    Reject(widget);
                return;
            }
        }
        waited_ = 0;
        seen_.push_back({widget, true});
        const size_t mine = seen_.size() - 1;
        titles << widget->windowTitle();
        if (auto* box = qobject_cast<QMessageBox*>(widget))
            texts << box->text();
        else if (auto* label = widget->findChild<QLabel*>(QStringLiteral("Label1")); label && widget->inherits("TForm17"))
            texts << label->text();
        QPointer<QWidget> guard(widget);
        if (!actions_.empty()) {
            Action act = std::move(actions_.front());
            actions_.pop_front();
            act(widget);
        }
        if (mine < seen_.size())
            seen_[mine].acting = false;
        if (guard && guard == QApplication::activeModalWidget())
            Reject(guard);
    }

    static void Reject(QWidget* widget)
    {
        if (auto* dialog = qobject_cast<QDialog*>(widget))
            dialog->reject();
        else
            widget->close();
    }

    struct Seen {
        QPointer<QWidget> widget;
        bool acting;
    };
    std::deque<Action> actions_;
    std::vector<Seen> seen_;
    int waited_ = 0;
    bool stopped_ = false;
};

ModalScript::Action Ignore()
{
    return [](QWidget*) {};
}

void Key(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(target, static_cast<Qt::Key>(key), modifiers);
}

// Selects item `index` of a list window's list box.
void Select(pelto::TListWindow* window, int index)
{
    window->ListBox1->setCurrentIndex(window->ListBox1->model()->index(index, 0));
}

// Press, release, double click, release: the order the window system sends.
void DoubleClick(QWidget* target, QPoint at)
{
    const QPointF local(at);
    const QPointF global(target->mapToGlobal(at));
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                              QEvent::MouseButtonRelease}) {
        const bool down = type != QEvent::MouseButtonRelease;
        QMouseEvent event(type, local, global, Qt::LeftButton, down ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }
}

QByteArray Sjis(const char* utf8)
{
    return QByteArray::fromStdString(*pelto::Utf8ToCp932(utf8));
}

const QByteArray kPrompt = QByteArray::fromStdString(std::string(pelto::kConferencePrompt));

// A slash header and the line after it carrying the reference in columns 24-28.
QByteArray Post(int number, const char* reference, const QByteArray& title, const QByteArray& body)
{
    QByteArray header = QByteArray::number(number).rightJustified(5, '0') + "/00004 ID" + QByteArray::number(number)
                        + "  " + title;
    QByteArray next = QByteArray("  95/04/01 10:00").leftJustified(23, ' ') + reference + " (" + "1)";
    return header + "\r\n" + next + "\r\n" + body + "\r\n" + kPrompt + "\r\n";
}

}  // namespace

class ForumTest : public QObject, uitest::ProgramFolder {
    Q_OBJECT

private:
    QString SidePath(const char* name) const { return folder_.filePath(QString::fromUtf8(name)); }

    QByteArray ReadSide(const char* name) const
    {
        QFile file(SidePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    // A conference log: two threads, 00001 <- 00002 <- 00003 and 00004 alone,
    // a two-line header post between them, and a long body line.
    QString MakeLog(const QString& name)
    {
        QByteArray log = kPrompt + "\r\n";
        log += Post(1, "     ", Sjis("最初の話題"), Sjis("本文いち"));                       // lines 2-5
        log += Post(2, "00001", Sjis("Ｒｅ：最初の話題"), QByteArray(200, 'x'));              // 6-9
        log += Sjis(" 7 #ABC12345 名前        00005 95/04/01 12:00\r\n");          // 10
        log += Sjis("  見出しの行\r\n");                                                       // 11
        log += Post(3, "00002", Sjis("Ｒｅ：Ｒｅ：最初の話題"), Sjis("本文さん"));             // 12-15
        log += Post(4, "     ", Sjis("別の話題"), Sjis("本文よん"));                          // 16-19
        log += "end\r\n";                                                                       // 20
        return WriteFile(name, log);
    }

    static QString Text(const std::string& cp932) { return QString::fromStdString(pelto::Cp932ToUtf8(cp932)); }

private slots:
    void initTestCase() { UseAsProgramFolder(); }

    void init()
    {
        for (const char* name : {"pelto.INI", "pelto.LOG", "pelto01.TXT", "pelto02.TXT", "pelto03.TXT", "pelto04.TXT"})
            QFile::remove(SidePath(name));
    }

    void cleanupTestCase() { StopUsingProgramFolder(); }

    void titleFileAndNotices()
    {
        const QString log = MakeLog(QStringLiteral("titles.log"));
        TForm1 form({log});
        form.LastTitleIndex = 5;
        {
            ModalScript script({Ignore()});
            form.MenuAllTitleGetClick();
            QCOMPARE(script.texts, QStringList{QString::fromUtf8(pelto::kAllTitlesDoneNotice)});
        }
        QCOMPARE(form.LastTitleIndex, 0);
        QCOMPARE(QString::fromStdString(form.TitleFileName), SidePath("pelto.LOG"));
        QList<QByteArray> lines = ReadSide("pelto.LOG").split('\n');
        QCOMPARE(lines.takeLast(), QByteArray());
        QCOMPARE(lines.value(0), "000001 : " + log.toUtf8() + "\r");
        QStringList numbers;
        for (const QByteArray& line : lines.mid(1))
            numbers << QString::fromLatin1(line.left(9));
        // Four slash headers and the two lines of the two-line header.
        QCOMPARE(numbers, QStringList({"000002 : ", "000006 : ", "000010 : ", "000011 : ", "000012 : ",
                                       "000016 : "}));

        {
            ModalScript script({Ignore()});
            form.MenuNewTitleGetClick();
            QCOMPARE(script.texts, QStringList{QString::fromUtf8(pelto::kNewTitlesDoneNotice)});
        }
        // Only the posts that answer nothing; the two-line header lacks its "/"s.
        lines = ReadSide("pelto.LOG").split('\n');
        QCOMPARE(lines.size(), 4);
        QVERIFY(lines.value(1).startsWith("000002 : 00001/"));
        QVERIFY(lines.value(2).startsWith("000016 : 00004/"));
    }

    void titleListJumpsAndKeepsItsIndex()
    {
        const QString log = MakeLog(QStringLiteral("list.log"));
        TForm1 form({log});
        {
            ModalScript script({[](QWidget*) {}});
            form.MenuTitleDispClick();
            QCOMPARE(script.texts, QStringList{QStringLiteral("   ") + SidePath("pelto.LOG")
                                               + QStringLiteral(" の指定されたファイルが存在しません。          ")});
        }
        {
            ModalScript script({Ignore()});
            form.MenuAllTitleGetClick();
        }
        const int topBefore = form.BigView1->TopRow();
        QString caption;
        QString fontFamily;
        int selected = -2;
        int extent = 0;
        {
            // Enter on entry 2 (line 6): the view shows the header's last row at the top.
            ModalScript script({[&](QWidget* widget) {
                auto* window = qobject_cast<TForm9*>(widget);
                if (!window)
                    return;
                caption = window->windowTitle();
                fontFamily = window->ListBox1->font().family();
                selected = window->SelectedIndex();
                extent = window->ListBox1->model()->index(0, 0).data(Qt::SizeHintRole).toSize().width();
                Select(window, 2);
                Key(window->ListBox1, Qt::Key_Return);
            }});
            form.MenuTitleDispClick();
        }
        QCOMPARE(caption, QStringLiteral("Pelto (ﾀｲﾄﾙ一覧)"));
        QCOMPARE(fontFamily, form.BigView1->ViewFont().family());
        QCOMPARE(selected, 0);
        QCOMPARE(extent, 900);
        QCOMPARE(form.LastTitleIndex, 2);
        QCOMPARE(form.BigView1->TopRow(), form.BigView1->RowOfLine(6) - 1);
        QVERIFY(form.BigView1->TopRow() != topBefore);

        // Escape and Backspace leave the view and the remembered index alone.
        form.BigView1->SetTopRow(0);
        for (int key : {int(Qt::Key_Escape), int(Qt::Key_Backspace)}) {
            ModalScript script({[&](QWidget* widget) {
                if (auto* window = qobject_cast<TForm9*>(widget)) {
                    selected = window->SelectedIndex();
                    Select(window, 4);
                    Key(window->BtnJump, key);
                }
            }});
            form.MenuTitleDispClick();
            QCOMPARE(selected, 2);
        }
        QCOMPARE(form.BigView1->TopRow(), 0);
        QCOMPARE(form.LastTitleIndex, 2);

        // The first entry puts line 1 at the top; the jump button chooses too.
        form.BigView1->SetTopRow(5);
        {
            ModalScript script({[&](QWidget* widget) {
                if (auto* window = qobject_cast<TForm9*>(widget)) {
                    Select(window, 0);
                    window->BtnJump->click();
                }
            }});
            form.MenuTitleDispClick();
        }
        QCOMPARE(form.BigView1->TopRow(), 0);

        // A double click on the blank below the last entry chooses the selected one.
        {
            ModalScript script({[&](QWidget* widget) {
                if (auto* window = qobject_cast<TForm9*>(widget)) {
                    Select(window, 2);
                    const QRect last =
                        window->ListBox1->visualRect(window->ListBox1->model()->index(window->ItemCount() - 1, 0));
                    DoubleClick(window->ListBox1->viewport(), QPoint(10, last.bottom() + 20));
                }
            }});
            form.MenuTitleDispClick();
        }
        QCOMPARE(form.LastTitleIndex, 2);
        QCOMPARE(form.BigView1->TopRow(), form.BigView1->RowOfLine(6) - 1);
    }

    void titleListEdgeEntries()
    {
        const QString log = MakeLog(QStringLiteral("edges.log"));
        TForm1 form({log});
        // A remembered index beyond the list selects nothing: Enter chooses
        // nothing and the window stays open until it is cancelled.
        WriteFile(QStringLiteral("pelto.LOG"), "000001 : x\r\n000020 : end\r\nabc : not a number\r\n");
        form.LastTitleIndex = 7;
        bool stayedOpen = false;
        {
            ModalScript script({[&](QWidget* widget) {
                if (auto* window = qobject_cast<TForm9*>(widget)) {
                    Key(window->ListBox1, Qt::Key_Return);
                    stayedOpen = window->isVisible() && window->SelectedIndex() == -1;
                }
            }});
            form.MenuTitleDispClick();
        }
        QVERIFY(stayedOpen);
        QVERIFY(form.ChosenTitle.empty());

        // A header in the last line puts the last row at the top.
        {
            ModalScript script({[](QWidget* widget) {
                if (auto* window = qobject_cast<TForm9*>(widget)) {
                    Select(window, 1);
                    Key(window->ListBox1, Qt::Key_Return);
                }
            }});
            form.MenuTitleDispClick();
        }
        QCOMPARE(form.BigView1->TopRow(), form.BigView1->RowCount() - 1);

        // An entry that is no line number gives the out-of-range notice.
        form.BigView1->SetTopRow(3);
        {
            ModalScript script({[](QWidget* widget) {
                                    if (auto* window = qobject_cast<TForm9*>(widget)) {
                                        Select(window, 2);
                                        Key(window->ListBox1, Qt::Key_Enter, Qt::ShiftModifier);
                                    }
                                },
                                Ignore()});
            form.MenuTitleDispClick();
            QCOMPARE(script.texts, QStringList{QString::fromUtf8(pelto::kLineOutOfRangeMessage)});
        }
        QCOMPARE(form.BigView1->TopRow(), 3);

        // An empty title file shows one empty item, selected; choosing it does nothing.
        WriteFile(QStringLiteral("pelto.LOG"), "");
        int items = 0;
        {
            ModalScript script({[&](QWidget* widget) {
                if (auto* window = qobject_cast<TForm9*>(widget)) {
                    items = window->ItemCount();
                    if (window->SelectedIndex() == 0 && window->Item(0).empty())
                        Key(window->ListBox1, Qt::Key_Return);
                }
            }});
            form.MenuTitleDispClick();
            QCOMPARE(script.titles.size(), 1);
        }
        QCOMPARE(items, 1);
        QCOMPARE(form.BigView1->TopRow(), 3);
    }

    void listWindowPlacementAndMargins()
    {
        const QString log = MakeLog(QStringLiteral("place.log"));
        TForm1 form({log});
        WriteFile(QStringLiteral("pelto.LOG"), "000001 : x\r\n");
        form.Mirror.Placement[pelto::kFormTitle] = {true, 40, 50, 520, 330};
        QRect shown;
        QSize listSize;
        {
            ModalScript script({[&](QWidget* widget) {
                if (auto* window = qobject_cast<TForm9*>(widget)) {
                    shown = QRect(window->pos(), window->size());
                    window->resize(600, 400);
                    listSize = window->ListBox1->size();
                    Key(window->ListBox1, Qt::Key_Escape);
                }
            }});
            form.MenuTitleDispClick();
        }
        QCOMPARE(shown, QRect(40, 50, 520, 330));
        // The list keeps its margins: design 600 x 352 in a 620 x 420 window.
        QCOMPARE(listSize, QSize(580, 332));
        QCOMPARE(form.Mirror.Placement[pelto::kFormTitle].Width, 600);
        QCOMPARE(form.Mirror.Placement[pelto::kFormTitle].Height, 400);

        // Closed while maximised: the bounds stored before stay.
        bool maximised = false;
        {
            ModalScript script({[&](QWidget* widget) {
                if (auto* window = qobject_cast<TForm9*>(widget)) {
                    Key(window->ListBox1, Qt::Key_BracketLeft, Qt::ControlModifier);
                    maximised = window->windowState() & Qt::WindowMaximized;
                    Key(window->BtnCansel, Qt::Key_Backspace);
                }
            }});
            form.MenuTitleDispClick();
        }
        QVERIFY(maximised);
        QCOMPARE(form.Mirror.Placement[pelto::kFormTitle].Width, 600);
    }

    void treeBuildShowsProgressWhileItRuns()
    {
        const QString log = MakeLog(QStringLiteral("tree.log"));
        TForm1 form({log});
        form.show();
        QStringList titles;
        connect(&form, &QWidget::windowTitleChanged, this, [&](const QString& title) { titles << title; });
        // Queued before the build: it runs only if the build lets events through.
        QString titleSeenMidBuild;
        bool closeRefused = false;
        QTimer::singleShot(0, &form, [&] {
            titleSeenMidBuild = form.windowTitle();
            closeRefused = !form.close();
        });
        {
            ModalScript script({Ignore()});
            form.MenuTreeGetClick();
            QCOMPARE(script.texts, QStringList{QString::fromUtf8(pelto::kTreeDoneNotice)});
        }
        QVERIFY(titles.size() >= 4);
        QVERIFY2(titles[0].startsWith(QStringLiteral("  ﾂﾘｰﾃﾞｰﾀ 作成中(1)  ")), qPrintable(titles[0]));
        QVERIFY(!titles.filter(QStringLiteral("作成中(2)")).isEmpty());
        QVERIFY(titles.indexOf(QRegularExpression(QStringLiteral(".*作成中\\(3\\).*")))
                > titles.indexOf(QRegularExpression(QStringLiteral(".*作成中\\(2\\).*"))));
        QCOMPARE(titles.last(), form.TitleText());
        QVERIFY2(titleSeenMidBuild.startsWith(QStringLiteral("  ﾂﾘｰﾃﾞｰﾀ 作成中(")), qPrintable(titleSeenMidBuild));
        QVERIFY(closeRefused);
        QVERIFY(form.isVisible());

        // The files beside the executable are the build's, named for this document.
        const pelto::ReplyTreeFiles expected =
            pelto::BuildReplyTree(pelto::DocumentLines::Of(form.BigView1->Strings()), form.CurrentFileName);
        QCOMPARE(ReadSide("pelto01.TXT"), QByteArray::fromStdString(expected.file01));
        QCOMPARE(ReadSide("pelto02.TXT"), QByteArray::fromStdString(expected.file02));
        QCOMPARE(ReadSide("pelto03.TXT"), QByteArray::fromStdString(expected.file03));
        QCOMPARE(expected.nodeCount, 4);
        QCOMPARE(QString::fromStdString(form.TreeFileName), SidePath("pelto03.TXT"));
    }

    void treeListJumpsAndCutsTheThread()
    {
        const QString log = MakeLog(QStringLiteral("thread.log"));
        TForm1 form({log});
        {
            ModalScript script({Ignore()});
            form.MenuTreeGetClick();
        }
        // Enter on the reply 00002 (item 2) jumps to its header.
        QStringList items;
        {
            ModalScript script({[&](QWidget* widget) {
                if (auto* window = qobject_cast<TForm21*>(widget)) {
                    for (int item = 0; item < window->ItemCount(); ++item)
                        items << Text(window->Item(item));
                    Select(window, 2);
                    Key(window->ListBox1, Qt::Key_Return, Qt::AltModifier);
                }
            }});
            form.MenuTreeDispClick();
            QCOMPARE(script.titles, QStringList{QStringLiteral("Pelto (ﾂﾘｰ表示)")});
        }
        QCOMPARE(items.size(), 5);
        QCOMPARE(items[2], QStringLiteral("000006 : └ 00002   ID2  Ｒｅ：最初の話題"));
        QCOMPARE(form.BigView1->TopRow(), form.BigView1->RowOfLine(6) - 1);
        QCOMPARE(form.LastTreeIndex, 2);
        QVERIFY(!form.TreeShowPosts);

        // Ctrl+Enter does nothing; a double click on the first item closes
        // without a choice.
        form.BigView1->SetTopRow(4);
        bool stayed = false;
        bool closedByClick = false;
        {
            ModalScript script({[&](QWidget* widget) {
                if (auto* window = qobject_cast<TForm21*>(widget)) {
                    Select(window, 0);
                    Key(window->ListBox1, Qt::Key_Return, Qt::ControlModifier);
                    stayed = window->isVisible();
                    const QRect first = window->ListBox1->visualRect(window->ListBox1->model()->index(0, 0));
                    DoubleClick(window->ListBox1->viewport(), QPoint(10, first.center().y()));
                    closedByClick = !window->isVisible();
                }
            }});
            form.MenuTreeDispClick();
            QCOMPARE(script.titles.size(), 1);
        }
        QVERIFY(stayed);
        QVERIFY(closedByClick);
        QVERIFY(form.ChosenTreeEntry.empty());
        QCOMPARE(form.BigView1->TopRow(), 4);

        // Shift+Enter on the deepest reply shows its whole thread, from the
        // root to the line before the next root.
        QStringList viewerLines;
        QString viewerTitle;
        {
            ModalScript script({[](QWidget* widget) {
                                    if (auto* window = qobject_cast<TForm21*>(widget)) {
                                        Select(window, 3);
                                        Key(window->ListBox1, Qt::Key_Return, Qt::ShiftModifier);
                                    }
                                },
                                [&](QWidget* widget) {
                                    if (auto* viewer = qobject_cast<TForm22*>(widget)) {
                                        viewerTitle = viewer->windowTitle();
                                        for (int line = 0; line < viewer->BigView1->LineCount(); ++line)
                                            viewerLines << Text(viewer->BigView1->GetLine(line));
                                        Key(viewer->BigView1, Qt::Key_Q, Qt::ControlModifier);
                                    }
                                }});
            form.MenuTreeDispClick();
            QCOMPARE(script.titles.size(), 2);
        }
        QCOMPARE(viewerTitle, QStringLiteral("Pelto (ﾂﾘｰ発言)"));
        // The first line, then header, reference line and body of posts 1, 2 and 3.
        QCOMPARE(viewerLines.size(), 1 + 3 + 3 + 3);
        QCOMPARE(viewerLines[0], QStringLiteral("000001 : ") + log);
        QVERIFY(viewerLines[1].startsWith(QStringLiteral("00001/00004")));
        QVERIFY(viewerLines.last().startsWith(QStringLiteral("本文さん")));
        QVERIFY(form.TreeShowPosts);
        QCOMPARE(form.LastTreeIndex, 3);
        QCOMPARE(QString::fromStdString(form.TreeFileName), SidePath("pelto04.TXT"));

        // Another document opened since the build: the warning, and the view stays.
        const QString other = MakeLog(QStringLiteral("other.log"));
        QVERIFY(form.OpenDocument(other));
        form.BigView1->SetTopRow(2);
        {
            ModalScript script({Ignore()});
            form.MenuTreeDispClick();
            QCOMPARE(script.texts, QStringList{QString::fromUtf8(pelto::kTreeOtherDocumentWarning)});
        }
        QCOMPARE(form.BigView1->TopRow(), 2);
    }

    void viewerWrapSwitchKeepsTheTopLine()
    {
        const QString log = MakeLog(QStringLiteral("wrap.log"));
        TForm1 form({log});
        {
            ModalScript script({Ignore()});
            form.MenuTreeGetClick();
        }
        struct Step {
            int wrapByte = -1;
            int topLine = -1;
            bool wrapOnEnabled = false;
            bool wrapOffEnabled = false;
        };
        std::vector<Step> steps;
        auto answer = [&](QPushButton* TForm19::*button) {
            return [&steps, button](QWidget* widget) {
                if (auto* dialog = qobject_cast<TForm19*>(widget)) {
                    steps.push_back({-1, -1, dialog->BtnWrapOn->isEnabled(), dialog->BtnWrapOff->isEnabled()});
                    (dialog->*button)->click();
                }
            };
        };
        auto press = [&steps](TForm22* viewer) {
            Key(viewer->BigView1, Qt::Key_W);
            steps.back().wrapByte = viewer->BigView1->WrapByte();
            steps.back().topLine = viewer->BigView1->LineOfRow(viewer->BigView1->TopRow());
        };
        int rowsByOptions = 0;
        int rowsAtWidth = 0;
        {
            ModalScript script({[](QWidget* widget) {
                                    if (auto* window = qobject_cast<TForm21*>(widget)) {
                                        Select(window, 1);
                                        window->BtnDisp->click();
                                    }
                                },
                                [&](QWidget* widget) {
                                    auto* viewer = qobject_cast<TForm22*>(widget);
                                    if (!viewer)
                                        return;
                                    rowsByOptions = viewer->BigView1->RowCount();
                                    // Line 7 (the long body line's successor) at the top.
                                    viewer->BigView1->SetTopRow(viewer->BigView1->RowOfLine(7));
                                    press(viewer);
                                    rowsAtWidth = viewer->BigView1->RowCount();
                                    press(viewer);
                                    press(viewer);
                                    viewer->reject();
                                },
                                answer(&TForm19::BtnWrapOn), answer(&TForm19::BtnWrapOff),
                                answer(&TForm19::BtnCansel)});
            form.MenuTreeDispClick();
        }
        QCOMPARE(int(steps.size()), 3);
        QVERIFY(steps[0].wrapOnEnabled && !steps[0].wrapOffEnabled);
        QCOMPARE(steps[0].wrapByte, 0);
        QVERIFY(!steps[1].wrapOnEnabled && steps[1].wrapOffEnabled);
        QCOMPARE(steps[1].wrapByte, 80);
        QCOMPARE(steps[2].wrapByte, 80);
        for (const Step& step : steps)
            QCOMPARE(step.topLine, 7);
        QVERIFY(rowsAtWidth > rowsByOptions);
        QCOMPARE(form.Mirror.EditWrapChar, std::string("80"));
        QCOMPARE(form.BigView1->WrapByte(), 80);
    }
};

int main(int argc, char** argv)
{
    return uitest::RunWithPrivateRuntime<ForumTest>(argc, argv);
}

#include "ForumTest.moc"

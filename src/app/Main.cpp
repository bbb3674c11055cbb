#include "Main.h"

#include "Dialgdsp.h"
#include "MainShared.h"
#include "Version.h"
#include "platform/Colors.h"
#include "platform/Dialogs.h"
#include "platform/Help.h"
#include "platform/ListWindow.h"
#include "positions/BookmarkTable.h"
#include "settings/ExePaths.h"
#include "settings/OptionRules.h"
#include "text/NumberField.h"
#include "view/BigView.h"

#include <QAction>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>

#include <algorithm>
#include <exception>

using pelto::TBigView;
using namespace mainwin;

TForm1* Form1 = nullptr;

namespace {

constexpr int kDesignWidth = 620;
constexpr int kDesignHeight = 420;

// Widens `window` (never beyond its screen) until the text area of `view`,
// which fills it from side to side, holds WrapByte half-width columns; then
// centres it.
void FitWidthToWrap(QWidget& window, TBigView& view)
{
    const std::string columns(static_cast<size_t>(std::max(view.WrapByte(), 0)), 'x');
    const int text = static_cast<int>(view.TabbedWidth(columns));
    const int chrome = view.width() - view.ClientRect().width();   // frames and scroll bar
    int width = std::max(window.width(), text + chrome);
    if (const QScreen* screen = window.screen())
        width = std::min(width, screen->availableGeometry().width());
    window.resize(width, window.height());
    pelto::CentreOnScreen(&window);
}

}  // namespace

TForm1::TForm1(const QStringList& arguments, QWidget* parent) : QMainWindow(parent)
{
    Form1 = this;
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Pelto (ﾒｲﾝ)"));
    setFont(pelto::WindowFont());
    resize(kDesignWidth, kDesignHeight);

    BigView1 = new TBigView(this);
    BigView1->setObjectName(QStringLiteral("BigView1"));
    BigView1->SetBvStyle(pelto::TBvStyle(pelto::bvClientLow) | pelto::bvDblFrame);
    BigView1->SetCapacity(0);
    BigView1->SetCaret(false);
    BigView1->SetMaxChar(255);
    BigView1->SetPCanLimit(0);
    BigView1->SetScOver(true);
    BigView1->SetScrollBar(pelto::ssVertical);
    BigView1->SetScrollSense(1);
    BigView1->SetSelect(false);
    BigView1->SetViewTabStop(4);
    BigView1->SetWrapByte(80);
    BigView1->SetWordWrap(true);
    BigView1->OnKeyDown = [this](QKeyEvent* event) { return FormKeyDown(event); };
    BigView1->OnViewLineChanged = [this](TBigView*) { BigView1ViewLineChanged(); };
    // A new window width lays a large document out in the background: the
    // title says so after half a second, and shows the new row count after.
    BigView1->OnLayoutBusy = [this](TBigView*) {
        setWindowTitle(BaseCaption + QStringLiteral("  ") + QString::fromUtf8(kLayoutProgressCaption));
    };
    BigView1->OnLayoutChanged = [this](TBigView*) { RebuildTitle(); };
    setCentralWidget(BigView1);

    Timer1 = new QTimer(this);
    Timer1->setInterval(0);
    connect(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);

    BuildMenus();
    BigView1->SetPopupMenu(PopupMenu1);

    FormCreate(arguments);
}

TForm1::~TForm1()
{
    // A window destroyed without being closed still saves what shutdown saves.
    if (!ShutdownDone)
        FormDestroy();
    if (Form1 == this)
        Form1 = nullptr;
}

// ---------------------------------------------------------------------------
// Menus

void TForm1::BuildMenus()
{
    auto item = [this](QMenu* menu, const char* caption, const char* name, void (TForm1::*handler)()) {
        QAction* action = menu->addAction(QString::fromUtf8(caption));
        action->setObjectName(QString::fromUtf8(name));
        // Keys reach the commands only through FormKeyDown.
        action->setShortcuts({});
        // A command acts on the rows of the current width.
        connect(action, &QAction::triggered, this, [this, handler] {
            BigView1->WaitForLayout();
            (this->*handler)();
        });
        return action;
    };
    auto menu = [this](const char* caption, const char* name) {
        QMenu* created = menuBar()->addMenu(QString::fromUtf8(caption));
        created->setObjectName(QString::fromUtf8(name));
        created->menuAction()->setObjectName(QString::fromUtf8(name));
        return created;
    };

    MenuFile = menu("ﾌｧｲﾙ(&F)", "MenuFile");
    MenuFileOpen = item(MenuFile, "開く(&O)...", "MenuFileOpen", &TForm1::MenuFileOpenClick);
    MenuExit = item(MenuFile, "終了(&X)", "MenuExit", &TForm1::MenuExitClick);
    MenuFile->addSeparator();
    for (int entry = 1; entry <= 9; ++entry) {
        QAction* action = MenuFile->addAction(QStringLiteral("FileOpen%1").arg(entry));
        action->setObjectName(QStringLiteral("MenuFileOpen%1").arg(entry));
        connect(action, &QAction::triggered, this, [this, entry] { MenuFileOpenNClick(entry); });
        MenuFileOpenN[entry - 1] = action;
    }

    MenuDisp = menu("表示(&D)", "MenuDisp");
    MenuFileGet = item(MenuDisp, "ﾌｧｲﾙ一覧取得(&=)", "MenuFileGet", &TForm1::MenuFileGetClick);
    MenuFileDisp = item(MenuDisp, "ﾌｧｲﾙ一覧表示(&*)...", "MenuFileDisp", &TForm1::MenuFileDispClick);
    MenuFileMinus = item(MenuDisp, "前ﾌｧｲﾙ表示(&-)", "MenuFileMinus", &TForm1::MenuFileMinusClick);
    MenuFilePlus = item(MenuDisp, "後ﾌｧｲﾙ表示(&+)", "MenuFilePlus", &TForm1::MenuFilePlusClick);
    MenuDisp->addSeparator();
    MenuAllTitleGet = item(MenuDisp, "全発言ﾀｲﾄﾙ取得(&S)", "MenuAllTitleGet", &TForm1::MenuAllTitleGetClick);
    MenuNewTitleGet = item(MenuDisp, "新規発言ﾀｲﾄﾙ取得(&D)", "MenuNewTitleGet", &TForm1::MenuNewTitleGetClick);
    MenuTitleDisp = item(MenuDisp, "発言ﾀｲﾄﾙ一覧表示(&A)...", "MenuTitleDisp", &TForm1::MenuTitleDispClick);
    MenuDisp->addSeparator();
    MenuTreeGet = item(MenuDisp, "ﾂﾘｰ取得(&Y)", "MenuTreeGet", &TForm1::MenuTreeGetClick);
    MenuTreeDisp = item(MenuDisp, "ﾂﾘｰ表示(&T)", "MenuTreeDisp", &TForm1::MenuTreeDispClick);
    MenuDisp->addSeparator();
    MenuResumMem = item(MenuDisp, "ﾚｼﾞｭｰﾑ行記憶(&F)", "MenuResumMem", &TForm1::MenuResumMemClick);
    MenuResumJump = item(MenuDisp, "ﾚｼﾞｭｰﾑ一覧表示(&R)", "MenuResumJump", &TForm1::MenuResumJumpClick);
    MenuDisp->addSeparator();
    MenuShioriMem = item(MenuDisp, "しおり行記憶(&J)", "MenuShioriMem", &TForm1::MenuShioriMemClick);
    MenuShioriDisp = item(MenuDisp, "しおり一覧表示(&U)...", "MenuShioriDisp", &TForm1::MenuShioriDispClick);
    MenuDisp->addSeparator();
    MenuWrapChange = item(MenuDisp, "折返切替(&W)...", "MenuWrapChange", &TForm1::MenuWrapChangeClick);

    MenuSearch = menu("検索(&S)", "MenuSearch");
    MenuFind = item(MenuSearch, "検索:(&F)...", "MenuFind", &TForm1::MenuFindClick);
    MenuReFind = item(MenuSearch, "次検索(下検索)(&N)", "MenuReFind", &TForm1::MenuReFindClick);
    MenuReFindPrior = item(MenuSearch, "前検索(上検索)(&P)", "MenuReFindPrior", &TForm1::MenuReFindPriorClick);
    MenuJump = item(MenuSearch, "ｼﾞｬﾝﾌﾟ(&J)...", "MenuJump", &TForm1::MenuJumpClick);
    MenuHitList = item(MenuSearch, "検索一覧(&L)...", "MenuHitList", &TForm1::MenuHitListClick);
    MenuGrepAll = item(MenuSearch, "全ﾌｧｲﾙ検索(&G)...", "MenuGrepAll", &TForm1::MenuGrepAllClick);
    MenuSearch->addSeparator();
    MenuLineNumDisp = item(MenuSearch, "現在行番号表示(&I)", "MenuLineNumDisp", &TForm1::MenuLineNumDispClick);
    MenuLaunchExe = item(MenuSearch, "ﾗﾝﾁｬｰ起動(&K)...", "MenuLaunchExe", &TForm1::MenuLaunchExeClick);
    MenuSearch->addSeparator();
    MenuSelectStart = item(MenuSearch, "範囲選択開始(&B)", "MenuSelectStart", &TForm1::MenuSelectStartClick);
    MenuSelectEnd = item(MenuSearch, "範囲選択終了(&C) ", "MenuSelectEnd", &TForm1::MenuSelectEndClick);

    MenuOption = menu("環境設定(&K)", "MenuOption");
    MenuOptionSet = item(MenuOption, "各種設定(&O)...", "MenuOptionSet", &TForm1::MenuOptionSetClick);
    MenuFont = item(MenuOption, "ﾌｫﾝﾄ設定(&F)...", "MenuFont", &TForm1::MenuFontClick);
    MenuBackColor = item(MenuOption, "背景色設定(&C)...", "MenuBackColor", &TForm1::MenuBackColorClick);
    MenuLaunch = item(MenuOption, "ﾗﾝﾁｬｰ設定(&L)...", "MenuLaunch", &TForm1::MenuLaunchClick);
    MenuExtSet = item(MenuOption, "拡張子設定(&E)...", "MenuExtSet", &TForm1::MenuExtSetClick);

    MenuHelp = menu("ﾍﾙﾌﾟ(&H)", "MenuHelp");
    MenuHelpDisp = item(MenuHelp, "ﾍﾙﾌﾟ表示(&C)", "MenuHelpDisp", &TForm1::MenuHelpDispClick);
    MenuVersion = item(MenuHelp, "ﾊﾞｰｼﾞｮﾝ表示(&A)", "MenuVersion", &TForm1::MenuVersionClick);
    MenuKeyFunc = item(MenuHelp, "ｷｰ操作一覧(&K)", "MenuKeyFunc", &TForm1::MenuKeyFuncClick);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    QMenu* pop = PopupMenu1;
    PopFileOpen = item(pop, "開く", "PopFileOpen", &TForm1::MenuFileOpenClick);
    PopExit = item(pop, "終了", "PopExit", &TForm1::MenuExitClick);
    pop->addSeparator();
    PopFind = item(pop, "検索", "PopFind", &TForm1::MenuFindClick);
    PopJump = item(pop, "ｼﾞｬﾝﾌﾟ", "PopJump", &TForm1::MenuJumpClick);
    PopHitList = item(pop, "検索一覧", "PopHitList", &TForm1::MenuHitListClick);
    PopGrepAll = item(pop, "全ﾌｧｲﾙ検索", "PopGrepAll", &TForm1::MenuGrepAllClick);
    PopLineNumDisp = item(pop, "現在行番号表示", "PopLineNumDisp", &TForm1::MenuLineNumDispClick);
    PopLaunchRun = item(pop, "ﾗﾝﾁｬｰ起動", "PopLaunchRun", &TForm1::PopLaunchRunClick);
    pop->addSeparator();
    PopFileGet = item(pop, "ﾌｧｲﾙ一覧取得", "PopFileGet", &TForm1::MenuFileGetClick);
    PopFileDisp = item(pop, "ﾌｧｲﾙ一覧表示", "PopFileDisp", &TForm1::MenuFileDispClick);
    PopFileMinus = item(pop, "前ﾌｧｲﾙ表示", "PopFileMinus", &TForm1::MenuFileMinusClick);
    PopFilePlus = item(pop, "後ﾌｧｲﾙ表示", "PopFilePlus", &TForm1::MenuFilePlusClick);
    pop->addSeparator();
    PopAllTitleGet = item(pop, "全発言ﾀｲﾄﾙ取得", "PopAllTitleGet", &TForm1::MenuAllTitleGetClick);
    PopNewTitleGet = item(pop, "新規発言ﾀｲﾄﾙ取得", "PopNewTitleGet", &TForm1::MenuNewTitleGetClick);
    PopTitleDisp = item(pop, "発言ﾀｲﾄﾙ一覧表示", "PopTitleDisp", &TForm1::PopTitleDispClick);
    pop->addSeparator();
    PopTreeGet = item(pop, "ﾂﾘｰ取得", "PopTreeGet", &TForm1::MenuTreeGetClick);
    PopTreeDisp = item(pop, "ﾂﾘｰ表示", "PopTreeDisp", &TForm1::MenuTreeDispClick);
    pop->addSeparator();
    PopResumuSet = item(pop, "ﾚｼﾞｭｰﾑ行記憶", "PopResumuSet", &TForm1::PopResumuSetClick);
    PopResumJump = item(pop, "ﾚｼﾞｭｰﾑ一覧表示", "PopResumJump", &TForm1::PopResumJumpClick);
    pop->addSeparator();
    PopShioriSet = item(pop, "しおり行記憶", "PopShioriSet", &TForm1::PopShioriSetClick);
    PopShioriDisp = item(pop, "しおり一覧表示", "PopShioriDisp", &TForm1::PopShioriDispClick);
    pop->addSeparator();
    PopSelectStart = item(pop, "範囲選択開始", "PopSelectStart", &TForm1::MenuSelectStartClick);
    PopSelectEnd = item(pop, "範囲選択終了", "PopSelectEnd", &TForm1::MenuSelectEndClick);
    pop->addSeparator();
    PopWrapChange = item(pop, "折返切替", "PopWrapChange", &TForm1::MenuWrapChangeClick);
}

void TForm1::EnableDocumentCommands(bool enabled)
{
    const std::array<QAction*, 24> commands{
        MenuAllTitleGet, MenuNewTitleGet, MenuTitleDisp, MenuResumMem, MenuResumJump,
        MenuShioriMem, MenuShioriDisp, MenuSearch->menuAction(),
        PopFind, PopJump, PopHitList, PopLineNumDisp, PopLaunchRun, PopAllTitleGet, PopNewTitleGet,
        PopTitleDisp, PopTreeGet, PopTreeDisp, PopResumuSet, PopResumJump, PopShioriSet,
        PopShioriDisp, PopSelectStart, PopSelectEnd,
    };
    for (QAction* command : commands)
        command->setEnabled(enabled);
}

void TForm1::RefreshRecentFileMenu()
{
    for (int entry = 9; entry >= 1; --entry) {
        const std::string& name = Mirror.RecentFiles[entry];
        QAction* action = MenuFileOpenN[entry - 1];
        // The full name as stored; "&" is shown as itself, not as a mnemonic.
        action->setText(QString::fromStdString(name).replace(u'&', QStringLiteral("&&")));
        action->setVisible(!name.empty());
    }
}

// ---------------------------------------------------------------------------
// Start-up

void TForm1::FormCreate(const QStringList& arguments)
{
    const QString first = arguments.isEmpty() ? QString() : arguments.first();
    IconStart = first == QLatin1String("/I") || first == QLatin1String("/i");
    setAcceptDrops(true);

    BaseCaption = windowTitle();

    std::vector<std::string> errors;
    pelto::ReadIniFileValue(pelto::SettingsIniFile(), Mirror, errors);
    // A bad value was replaced by its default; say so once and carry on.
    ReportSettingsErrors(errors, false);

    PlaceWindow();
    HistoryMenuBase = static_cast<int>(MenuFile->actions().size()) - 9;

    EnableDocumentCommands(false);
    MenuReFind->setEnabled(false);
    MenuReFindPrior->setEnabled(false);

    ConfigureView();
    // A first start has no stored placement: open wide enough for the set
    // wrap width, centred.
    if (!Mirror.Placement[pelto::kFormMain].UseStoredBounds())
        FitWidthToWrap(*this, *BigView1);

    FindDone = false;
    HitShown = false;
    Selecting = false;
    KeyListPage = 1;
    ResumeOnExit = false;

    // The recent list is held to its configured length whatever happens next.
    pelto::KeepFirstEntries(Mirror.RecentFiles, pelto::HistoryLimit(Mirror.EditFileResum, pelto::kRecentFileCount));
    RefreshRecentFileMenu();

    if (!first.isEmpty() && !IconStart)
        OpenDocument(first);

    RebuildTitle();
    BigView1->setFocus();
    StartCopyRegistry();

    if (IconStart)
        setWindowState(windowState() | Qt::WindowMinimized);
}

void TForm1::PlaceWindow()
{
    resize(kDesignWidth, kDesignHeight);
    pelto::PlaceListWindow(this, Mirror.Placement[pelto::kFormMain]);
}

pelto::StartupOptions ConfigureViewFromSettings(TBigView& view, pelto::Settings& mirror, const QPalette& palette)
{
    view.SetBvStyle(pelto::bvDblFrame);
    const int fontSize = pelto::StrToIntDef(mirror.TextFontSize, 14);
    view.SetViewFont(TBigView::MakeViewFont(QString::fromStdString(mirror.TextFontName), fontSize));
    view.SetFontColor(pelto::ColorFromText(QString::fromStdString(mirror.TextFontColor))
                          .value_or(palette.color(QPalette::Text)));
    view.SetColor(pelto::ColorFromText(QString::fromStdString(mirror.TextBackColor))
                      .value_or(palette.color(QPalette::Base)));
    view.SetWordWrap(mirror.CheckWrapChar);

    const pelto::StartupOptions options = pelto::ClampStartupOptions(mirror);
    view.SetWrapByte(options.WrapByte);
    view.SetViewTabStop(options.ViewTabStop);
    view.SetScrollSense(options.ScrollSense);
    return options;
}

void TForm1::ConfigureView()
{
    FindScrollRows = ConfigureViewFromSettings(*BigView1, Mirror, palette()).FindScrollRows;
}


// ---------------------------------------------------------------------------
// Title

QString TForm1::TitleText() const
{
    // Qt takes "[*]" in a title for its modified mark and drops it; "[*][*]"
    // shows one "[*]" of the name.
    QString name = QString::fromStdString(CurrentFileName);
    name.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
    return BaseCaption + QStringLiteral("  ") + name
           + QStringLiteral("  全行数 : ") + QString::number(BigView1->RowCount())
           + QStringLiteral(" (") + QString::number(BigView1->LineCount()) + QStringLiteral(")");
}

void TForm1::RebuildTitle()
{
    // While the first lines stand for a document still being read, their
    // counts are not the document's.
    setWindowTitle(HeadCaption.isEmpty() ? TitleText() : HeadCaption);
}

void TForm1::ResizeExecute()
{
    if (BigView1)
        RebuildTitle();
}

void TForm1::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    ResizeExecute();
}

// ---------------------------------------------------------------------------
// Exit and shutdown

void TForm1::ExitRequest(bool withResume)
{
    if (IconStart) {
        if (Mirror.CheckCloseDialog) {
            switch (pelto::AskYesNoCancel(this, kIconizeQuestion)) {
            case pelto::Answer::Yes:
                Iconize();
                return;
            case pelto::Answer::No:
                break;
            case pelto::Answer::Cancel:
                return;
            }
        } else {
            Iconize();
            return;
        }
    } else if (Mirror.CheckCloseDialog && pelto::AskYesNo(this, kExitQuestion) != pelto::Answer::Yes) {
        return;
    }
    if (withResume)
        ResumeOnExit = true;
    close();
}

void TForm1::MenuExitClick()
{
    ExitRequest(false);
}

void TForm1::Iconize()
{
    showMinimized();
    FocusMoveToApliMinimized();
}


void TForm1::closeEvent(QCloseEvent* event)
{
    if (!ShutdownDone)
        FormDestroy();
    event->accept();
}

void TForm1::FormDestroy()
{
    ShutdownDone = true;
    pelto::IniFile file = pelto::SettingsIniFile();
    std::vector<std::string> errors;

    if (Mirror.CheckAutoResum || ResumeOnExit) {
        try {
            // The list is left alone when no document is open.
            StoreResumeRecord();
        } catch (const std::exception& error) {
            errors.push_back(error.what());
        }
    }

    BigView1->Clear();

    pelto::StoreListWindowBounds(this, Mirror.Placement[pelto::kFormMain]);
    pelto::ClearBookmarks(Mirror.BookmarkTable);

    pelto::WriteIniFileValue(file, Mirror, errors);
    ReportSettingsErrors(errors, true);
}

void TForm1::ReportSettingsErrors(const std::vector<std::string>& errors, bool asWarning)
{
    std::vector<std::string> distinct;
    for (const std::string& message : errors) {
        if (std::find(distinct.begin(), distinct.end(), message) == distinct.end())
            distinct.push_back(message);
    }
    if (distinct.empty())
        return;
    QString text;
    for (const std::string& message : distinct) {
        if (!text.isEmpty())
            text += QStringLiteral("\r\n");
        text += QStringLiteral("   ") + QString::fromStdString(message) + QStringLiteral("          ");
    }
    if (asWarning)
        pelto::ShowAbortWarning(this, text);
    else
        pelto::ShowOkInformation(this, text);
}

// ---------------------------------------------------------------------------
// Help menu

void TForm1::MenuHelpDispClick()
{
    pelto::ShowHelpFile(this, FolderOfExecutable() + QStringLiteral("/PELTO.HLP"));
}

void TForm1::MenuVersionClick()
{
    auto* version = new TForm3(this);
    pelto::CentreOnScreen(version);
    version->exec();
    delete version;
}

// ---------------------------------------------------------------------------
// Pop-up items that need a document

void TForm1::PopLaunchRunClick()
{
    if (!CurrentFileName.empty())
        MenuLaunchExeClick();
}

void TForm1::PopTitleDispClick()
{
    if (!CurrentFileName.empty())
        MenuTitleDispClick();
}

void TForm1::PopResumuSetClick()
{
    if (!CurrentFileName.empty())
        MenuResumMemClick();
}

void TForm1::PopResumJumpClick()
{
    if (!CurrentFileName.empty())
        MenuResumJumpClick();
}

void TForm1::PopShioriSetClick()
{
    if (!CurrentFileName.empty())
        MenuShioriMemClick();
}

void TForm1::PopShioriDispClick()
{
    if (!CurrentFileName.empty())
        MenuShioriDispClick();
}


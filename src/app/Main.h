#pragma once
// The main window: the view, the menus, start-up, the exit command and shutdown.

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "settings/Settings.h"

class QAction;
class QMenu;
class QTimer;

class QPalette;

namespace pelto {
class TBigView;
}

// Sets `view` up from the settings: frame, font, colours (those of `palette`
// where a colour text means nothing), wrapping, tab stop and scroll step. The
// clamped option texts replace the mirror's values, as at start-up.
pelto::StartupOptions ConfigureViewFromSettings(pelto::TBigView& view, pelto::Settings& mirror,
                                                const QPalette& palette);

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    // `arguments` are the command-line arguments after the program name.
    explicit TForm1(const QStringList& arguments, QWidget* parent = nullptr);
    ~TForm1() override;

    // ---- state -------------------------------------------------------------
    std::string CurrentFileName;   // full name of the shown document; empty: none
    QString BaseCaption;           // the design caption every title starts with
    QString HeadCaption;           // the title while a document's first lines are shown as it is read
    bool IconStart = false;        // started resident with "/I" or "/i"
    bool ResumeOnExit = false;     // an exit key asked for a resume record
    int HistoryMenuBase = 0;       // fixed items at the top of the File menu
    pelto::Settings Mirror;        // the settings read at start
    int FindScrollRows = 0;
    bool FindDone = false;
    bool HitShown = false;
    bool Selecting = false;
    int KeyListPage = 1;

    // ---- state and helpers of each command group ----------------------------
    // Each group adds its own fields and helper declarations between its two
    // markers only, so the groups never edit the same lines.
    // <open>
    // The steps an open takes besides loading; each path names its own.
    enum OpenStep : unsigned {
        kOpenCheckExists = 1,   // report a missing file before loading
        kOpenRecentFiles = 2,   // put the name at the head of the recent files
        kOpenResumeJump = 4,    // go to the stored resume line ("CheckAutoResumJump")
    };
    static constexpr unsigned kOpenSequence = kOpenCheckExists | kOpenRecentFiles | kOpenResumeJump;
    // Loads `name` (made absolute) into a fresh line store and shows it; only
    // then it becomes CurrentFileName, the title is rebuilt and the document
    // commands are enabled. On failure, after its warning (`missingText`
    // replaces the missing-file one when given), the shown document, its name
    // and the title stay as they were.
    bool OpenDocument(const QString& name, unsigned steps, const QString& missingText = QString());
    // Shows the first lines of path under caption while the rest is read;
    // false when they cannot be read.
    bool ShowHeadWhileReading(const std::string& path, const QString& caption);
    // Stores the resume point of the document about to be replaced when
    // "CheckAutoResum" asks for it, reporting a failed write.
    void KeepPlaceBeforeReplacing();
    // The recent-file item path: opens OpenRequest, reports through OpenFailed.
    void MenuFileOpenExecute();
    // Takes `name` to the head of the recent files, trims the list to
    // "EditFileResum" entries and refreshes the items.
    void AddRecentFile(const std::string& name);
    std::string OpenRequest;
    bool OpenFailed = false;
    // Slot 0 of the jump history: the text the jump dialog hands back.
    std::string& JumpText = Mirror.JumpHistory[0];
    int WrapChoice = -1;   // 1 window width, 0 by the options, -1 no choice
    // Writes "JumpLineNum" 1..9.
    void WriteJumpHistory();
    // The jump rule on the view: false when the line number is refused.
    bool ShowLineNumber(long long lineNumber);
protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
public:
    // </open>
    // <search>
    // The string the search dialog hands back (slot 0 of the history table,
    // empty after a cancel) and the case option, both kept in the mirror.
    std::string& FindText() { return Mirror.FindHistory[0]; }
    bool& FindCaseSensitive() { return Mirror.SearchUperLower; }
    int FindDirection = 0;      // next = 0, prior = 1; set by the dialog's buttons
    int HitRow = 0;             // 1-based display row of the last hit
    int HitTopRow = 0;          // TopRow when the hit was shown or a search began
    int SelectStartLine = 0;    // 1-based line numbers of the range to copy
    int SelectEndLine = 0;
    // The items the range start disabled, with the state each had before.
    std::vector<std::pair<QAction*, bool>> SelectionDisabled;
    // Scans for FindText from startRow in `direction`; a hit moves the view
    // and marks it (after the pause window when `pause`), else the not-found
    // notice is shown.
    void SearchFrom(int startRow, int direction, bool pause);
    void RepeatSearch(int direction);
    void WriteFindSettings();
    void LeaveSelecting();
    // </search>
    // <positions>
    // Slot 0: the entry chosen in the resume list; 1..64 as last read.
    std::array<std::string, pelto::kResumeCount + 1> ResumeTable{};
    int ResumeAction = 0;   // 0 line jump, 1 swap display, 2 new display
    // The bookmark table is Mirror.BookmarkTable, which shutdown empties.
    // Stores the resume record of the open document at the line in the top
    // row; nothing without one. Throws EIniWriteError when the write fails.
    void StoreResumeRecord();
    // </positions>
    // <forum>
    std::string TitleFileName;     // the title file, set by extraction and by the title list
    int LastTitleIndex = 0;        // the title list opens on it; 0 after each extraction
    std::string ChosenTitle;       // entry chosen in the title list; empty: none
    std::string TreeFileName;      // the work file last written or read
    long long TreeProgress = 1;    // units of work of the tree build so far
    long long TreeProgressShown = 1;  // TreeProgress when the title last showed it
    std::string ChosenTreeEntry;   // line chosen in the tree list; empty: none
    bool TreeShowPosts = false;    // the choice shows the thread rather than jumping
    int LastTreeIndex = 0;         // the tree list opens on it
    // Extraction of all titles or of new posts' titles into the title file.
    void TitleGet(bool newOnly);
    // Moves the view to the line an entry of the title or tree file names.
    void JumpToListedLine(const std::string& entry);
    // Shows the 04 file in the tree post viewer.
    void TreePostsShow();
    // </forum>
    // <filelist>
    // Position in the captured file list, 0-based; kept into the list when used.
    int FileListIndex = 0;
    // Section "FileWriteExtName", keys 1..64 at 0..63, as the dialog last read them.
    std::array<std::string, pelto::kExtensionCount> ExcludedExtensions{};
    // Opens `path` taken from the file list: no recent-file entry, no resume
    // jump; the missing-file message names the path when stepping.
    bool OpenFromFileList(const std::string& path, bool fromListWindow);
    // </filelist>
    // <launcher>
    // The launcher slots, 1..9 (element 0 unused), as last read from the
    // settings file; slot 1 comes from the start-up settings until then.
    std::array<std::string, pelto::kLauncherCount + 1> ProgTitle{};
    std::array<std::string, pelto::kLauncherCount + 1> ProgName{};
    std::array<std::string, pelto::kLauncherCount + 1> ProgOption{};
    std::array<std::string, pelto::kLauncherCount + 1> ProgDir{};
    std::array<std::string, pelto::kLauncherCount + 1> ProgShortCut{};
    bool LauncherSlotsRead = false;
    // Reads the five launcher sections into the arrays above.
    void ReadLauncherArrays();
    // Starts slot `slot` on the current document; %l is 1-based when `oneBased`.
    void RunLauncherSlot(int slot, bool oneBased);
    // Registers this copy with the other running copies (F2, F3).
    void StartCopyRegistry();
    // The title the choice window of F3 hands back.
    QString SelectedTitle;
    // </launcher>
    // <keys-options>
    bool KeyListOn = true;   // keeps the key-list windows coming until one ends the loop
    int OptionPage = 0;      // the options dialog's page shown last
    struct KeyRows;          // the rows of the two key tables (KeyMap.cpp)
    // When set (by tests), receives each command a key would run instead of
    // running it, so the key map can be checked apart from the commands.
    std::function<void(void (TForm1::*)())> KeyCommandForTesting;
    // </keys-options>
    // <hits>
    // The hit list of the document (G) or of every file of the captured list
    // (Ctrl+G): the search dialog, then every line holding the string.
    void MenuHitListClick();
    void MenuGrepAllClick();
    // Enter in the hit list: `file` is opened first when it is not the
    // document shown, then the view goes to the 0-based line.
    void HitListJump(const std::string& file, int64_t line, size_t offset);
    // Shift+Enter: the post holding the line, in the tree post viewer.
    void HitListShowPost(const std::string& file, int64_t line);
    QAction* MenuHitList = nullptr;
    QAction* MenuGrepAll = nullptr;
    QAction* PopHitList = nullptr;
    QAction* PopGrepAll = nullptr;
    QPointer<QWidget> HitListWindow;  // the open hit list, if any
    // </hits>

    // ---- components ----------------------------------------------------------
    pelto::TBigView* BigView1 = nullptr;
    QTimer* Timer1 = nullptr;

    QMenu* MenuFile = nullptr;
    QAction* MenuFileOpen = nullptr;
    QAction* MenuExit = nullptr;
    std::array<QAction*, 9> MenuFileOpenN{};   // MenuFileOpen1 .. MenuFileOpen9

    QMenu* MenuDisp = nullptr;
    QAction* MenuFileGet = nullptr;
    QAction* MenuFileDisp = nullptr;
    QAction* MenuFileMinus = nullptr;
    QAction* MenuFilePlus = nullptr;
    QAction* MenuAllTitleGet = nullptr;
    QAction* MenuNewTitleGet = nullptr;
    QAction* MenuTitleDisp = nullptr;
    QAction* MenuTreeGet = nullptr;
    QAction* MenuTreeDisp = nullptr;
    QAction* MenuResumMem = nullptr;
    QAction* MenuResumJump = nullptr;
    QAction* MenuShioriMem = nullptr;
    QAction* MenuShioriDisp = nullptr;
    QAction* MenuWrapChange = nullptr;

    QMenu* MenuSearch = nullptr;
    QAction* MenuFind = nullptr;
    QAction* MenuReFind = nullptr;
    QAction* MenuReFindPrior = nullptr;
    QAction* MenuJump = nullptr;
    QAction* MenuLineNumDisp = nullptr;
    QAction* MenuLaunchExe = nullptr;
    QAction* MenuSelectStart = nullptr;
    QAction* MenuSelectEnd = nullptr;

    QMenu* MenuOption = nullptr;
    QAction* MenuOptionSet = nullptr;
    QAction* MenuFont = nullptr;
    QAction* MenuBackColor = nullptr;
    QAction* MenuLaunch = nullptr;
    QAction* MenuExtSet = nullptr;

    QMenu* MenuHelp = nullptr;
    QAction* MenuHelpDisp = nullptr;
    QAction* MenuVersion = nullptr;
    QAction* MenuKeyFunc = nullptr;

    QMenu* PopupMenu1 = nullptr;
    QAction* PopFileOpen = nullptr;
    QAction* PopExit = nullptr;
    QAction* PopFind = nullptr;
    QAction* PopJump = nullptr;
    QAction* PopLineNumDisp = nullptr;
    QAction* PopLaunchRun = nullptr;
    QAction* PopFileGet = nullptr;
    QAction* PopFileDisp = nullptr;
    QAction* PopFileMinus = nullptr;
    QAction* PopFilePlus = nullptr;
    QAction* PopAllTitleGet = nullptr;
    QAction* PopNewTitleGet = nullptr;
    QAction* PopTitleDisp = nullptr;
    QAction* PopTreeGet = nullptr;
    QAction* PopTreeDisp = nullptr;
    QAction* PopResumuSet = nullptr;
    QAction* PopResumJump = nullptr;
    QAction* PopShioriSet = nullptr;
    QAction* PopShioriDisp = nullptr;
    QAction* PopSelectStart = nullptr;
    QAction* PopSelectEnd = nullptr;
    QAction* PopWrapChange = nullptr;

    // ---- operations ------------------------------------------------------------
    // The window title: base caption, name, display rows and logical lines.
    QString TitleText() const;
    void RebuildTitle();
    // Enables the commands that need a document (not the repeat searches).
    void EnableDocumentCommands(bool enabled);
    // The recent-file items show the list entries; empty entries are hidden.
    void RefreshRecentFileMenu();
    // Loads `name` as the document; false (after its warning) when it fails.
    bool OpenDocument(const QString& name);
    // The key handler of the window and of the view; true when the key was used.
    bool FormKeyDown(QKeyEvent* event);
    // Ends the program or, in the resident mode, iconizes it, asking first when
    // "CheckCloseDialog" is on. `withResume` marks a real close for a resume
    // record.
    void ExitRequest(bool withResume);

    // ---- command handlers --------------------------------------------------------
    void MenuFileOpenClick();
    void MenuFileOpenNClick(int entry);   // entry 1..9
    void MenuExitClick();
    void MenuFileGetClick();
    void MenuFileDispClick();
    void MenuFileMinusClick();
    void MenuFilePlusClick();
    void MenuAllTitleGetClick();
    void MenuNewTitleGetClick();
    void MenuTitleDispClick();
    void MenuTreeGetClick();
    void MenuTreeDispClick();
    void MenuResumMemClick();
    void MenuResumJumpClick();
    void MenuShioriMemClick();
    void MenuShioriDispClick();
    void MenuWrapChangeClick();
    void MenuFindClick();
    void MenuReFindClick();
    void MenuReFindPriorClick();
    void MenuJumpClick();
    void MenuLineNumDispClick();
    void MenuLaunchExeClick();
    void MenuSelectStartClick();
    void MenuSelectEndClick();
    void MenuOptionSetClick();
    void MenuFontClick();
    void MenuBackColorClick();
    void MenuLaunchClick();
    void MenuExtSetClick();
    void MenuHelpDispClick();
    void MenuVersionClick();
    void MenuKeyFuncClick();

    void PopLaunchRunClick();
    void PopTitleDispClick();
    void PopResumuSetClick();
    void PopResumJumpClick();
    void PopShioriSetClick();
    void PopShioriDispClick();

    void Timer1Timer();
    void BigView1ViewLineChanged();
    // Passes the focus on after the window was iconized.
    void FocusMoveToApliMinimized();
    // F2, F3, F4: the next copy, a chosen copy, the file manager.
    void FocusMoveToAnother();
    void FocusSelectAnother();
    void FocusMoveToApli();
    // Runs launcher entry LaunchChoice (1-based) on the current document.
    void ProgramExecute();
    int LaunchChoice = 0;
    // Escape in selection mode: leaves it and enables the menus again.
    void SelectCancel();
    // The navigation keys hide the search hit marker.
    void CaretOff();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenus();
    void FormCreate(const QStringList& arguments);
    void PlaceWindow();
    void ConfigureView();
    void FormDestroy();
    void ResizeExecute();
    void Iconize();
    // Shows the messages of failed settings reads or writes, each once.
    void ReportSettingsErrors(const std::vector<std::string>& errors, bool asWarning);

    bool ShutdownDone = false;
};

// The one main window of the program.
extern TForm1* Form1;

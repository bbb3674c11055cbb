#include "app/Keyfunc2.h"

TKeyFunc2::TKeyFunc2(bool& keyListOn, int& page, QWidget* parent)
    : TKeyFuncWindow(2, keyListOn, page, QStringLiteral("キー操作一覧画面（２／２） "), parent)
{
    setObjectName(QStringLiteral("KeyFunc2"));
    AddRow({"☆上へ", "↑, Ctrl+E"});
    AddRow({"☆下へ", "↓, Ctrl+X"});
    AddRow({"☆１画面上へ", "←, Ctrl+S, PageUp,    Shift+↑, Shift+Space"});
    AddRow({"☆１画面下へ", "→, Ctrl+D, PageDown, Shift+↓, Space"});
    AddRow({"☆先頭行へ", "T, Home, Ctrl+Home, Ctrl+↑"});
    AddRow({"☆最終行へ", "B, End,    Ctrl+End,   Ctrl+↓"});
    AddRow({"☆検索", "F, Ctrl+F"});
    AddRow({"☆次検索(下検索)", "N, Ctrl+N"});
    AddRow({"☆前検索(上検索)", "P, Ctrl+P"});
    AddRow({"☆指定行へ", "J, Ctrl+J"});
    AddRow({"☆エディタ起動", "Shift+Enter"});
    AddRow({"☆ランチャー起動", "Ctrl+Enter"});
    AddRow({"☆ファイルを開く", "O, Ctrl+O"});
    AddRow({"☆範囲選択開始", "Ctrl+B"});
    AddRow({"☆範囲選択終了", "Ctrl+C, Ctrl+Insert"});
    AddRow({"☆折返切替", "W"});
    AddRow({"☆検索一覧", "G, Shift+G"});
    AddRow({"☆全ファイル検索", "Ctrl+G"});
}

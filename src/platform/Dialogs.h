#pragma once
// The standard message dialogs of the program: a warning with one Abort button,
// an information with OK, and the Yes/No(/Cancel) questions, all with Japanese
// buttons. The text is shown exactly as given, blanks included.

#include <QFont>
#include <QString>

class QWidget;

namespace pelto {

enum class Answer { Yes, No, Cancel };

// Button captions, shared with tests that drive the dialogs.
inline constexpr const char* kAbortCaption = "中止";
inline constexpr const char* kOkCaption = "OK";
inline constexpr const char* kYesCaption = "はい(&Y)";
inline constexpr const char* kNoCaption = "いいえ(&N)";
inline constexpr const char* kCancelCaption = "キャンセル";

// A file cannot be found or opened, a program cannot be started.
void ShowAbortWarning(QWidget* parent, const QString& text);
// A typed value is out of range.
void ShowOkInformation(QWidget* parent, const QString& text);
// Questions; Escape or the close box answer No (AskYesNo) or Cancel (AskYesNoCancel).
Answer AskYesNo(QWidget* parent, const QString& text);
Answer AskYesNoCancel(QWidget* parent, const QString& text);

// The font of the program's windows (the original "System" font, 19 px high):
// a Japanese face so that half-width katakana captions keep their look.
QFont WindowFont();

// Message texts use CR LF for line breaks as the program writes them; the label
// wants plain LF.
QString DialogDisplayText(const QString& text);

}  // namespace pelto

#pragma once
// Small things the main window's command files share.

#include <QFileInfo>
#include <QKeyEvent>
#include <QString>

#include "settings/ExePaths.h"

namespace mainwin {

const QString kExitQuestion = QStringLiteral("    終了しますか。          ");
const QString kIconizeQuestion = QStringLiteral("          アイコン化しますか。          ")
                                 + QStringLiteral("\r\n\r\n")
                                 + QStringLiteral("   はい : アイコン化    いいえ : 終了          ");
const QString kFileMissing = QStringLiteral("   指定されたファイルが存在しません。          ");
const QString kFileUnreadable = QStringLiteral("   指定されたファイルがオープンできません。          ");
// Title captions while a long step runs.
inline constexpr const char* kLayoutProgressCaption = "折返し再計算中...";

enum class ModifierSet { Ctrl, Alt, Shift, Plain };

// Modifiers compared as whole sets: Ctrl means Ctrl alone, and so on; any other
// combination counts as plain. The keypad flag says where a key is, not what is held.
inline ModifierSet ModifiersOf(const QKeyEvent* event)
{
    const Qt::KeyboardModifiers held = event->modifiers() & ~Qt::KeypadModifier;
    if (held == Qt::ControlModifier)
        return ModifierSet::Ctrl;
    if (held == Qt::AltModifier)
        return ModifierSet::Alt;
    if (held == Qt::ShiftModifier)
        return ModifierSet::Shift;
    return ModifierSet::Plain;
}

inline QString FolderOfExecutable()
{
    return QFileInfo(QString::fromStdString(pelto::ExecutablePath())).absolutePath();
}

}  // namespace mainwin

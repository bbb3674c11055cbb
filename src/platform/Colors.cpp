#include "Colors.h"

#include "settings/Settings.h"

#include <QApplication>
#include <QPalette>

namespace pelto {

namespace {

constexpr qint64 kSystemColor = 0x80000000LL;

QColor SystemColor(int index)
{
    const QPalette palette = QApplication::palette();
    switch (index) {
    case 0: return palette.color(QPalette::Button);            // scroll bar
    case 1: return palette.color(QPalette::Dark);              // desktop
    case 2: return palette.color(QPalette::Highlight);         // active caption
    case 3: return palette.color(QPalette::Mid);               // inactive caption
    case 4: return palette.color(QPalette::Window);            // menu
    case 5: return palette.color(QPalette::Base);              // window
    case 6: return palette.color(QPalette::Shadow);            // window frame
    case 7: return palette.color(QPalette::WindowText);        // menu text
    case 8: return palette.color(QPalette::Text);              // window text
    case 9: return palette.color(QPalette::HighlightedText);   // caption text
    case 10:
    case 11: return palette.color(QPalette::Window);           // borders
    case 12: return palette.color(QPalette::Mid);              // MDI workspace
    case 13: return palette.color(QPalette::Highlight);
    case 14: return palette.color(QPalette::HighlightedText);
    case 15: return palette.color(QPalette::Button);           // button face
    case 16: return palette.color(QPalette::Dark);             // button shadow
    case 17: return palette.color(QPalette::Disabled, QPalette::Text);
    case 18: return palette.color(QPalette::ButtonText);
    case 19: return palette.color(QPalette::Disabled, QPalette::WindowText);
    case 20: return palette.color(QPalette::Light);            // button highlight
    case 21: return palette.color(QPalette::Shadow);
    case 22: return palette.color(QPalette::Midlight);
    case 23: return palette.color(QPalette::ToolTipText);
    case 24: return palette.color(QPalette::ToolTipBase);
    default: return palette.color(QPalette::Base);
    }
}

}  // namespace

QColor ColorFromValue(qint64 value)
{
    if (value & kSystemColor)
        return SystemColor(static_cast<int>(value & 0xFF));
    const int red = static_cast<int>(value & 0xFF);
    const int green = static_cast<int>((value >> 8) & 0xFF);
    const int blue = static_cast<int>((value >> 16) & 0xFF);
    return QColor(red, green, blue);
}

std::optional<QColor> ColorFromText(const QString& text)
{
    const std::optional<int32_t> value = ColorTextToValue(text.toStdString());
    if (!value)
        return std::nullopt;
    return ColorFromValue(static_cast<quint32>(*value));
}

QString ColorToText(const QColor& color)
{
    const quint32 value = (quint32(color.blue()) << 16) | (quint32(color.green()) << 8) | quint32(color.red());
    return QStringLiteral("$") + QStringLiteral("%1").arg(value, 8, 16, QLatin1Char('0')).toUpper();
}

}  // namespace pelto

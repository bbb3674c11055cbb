#pragma once
// Colour texts of the settings file: the toolkit's colour names ("clBlack",
// "clWindow", ...), or an integer colour value in decimal or "$" hexadecimal
// laid out as 0x00BBGGRR (blue in the high byte). System colours (0x80000000 plus
// a system colour index) map onto palette roles.

#include <QColor>
#include <QString>
#include <optional>

namespace pelto {

// The drawn colour for a colour value; system colours come from the palette.
QColor ColorFromValue(qint64 value);

// A colour text of the settings file; nothing when it is neither a colour name
// nor an integer.
std::optional<QColor> ColorFromText(const QString& text);

// The text stored for a chosen colour: "$00BBGGRR".
QString ColorToText(const QColor& color);

}  // namespace pelto

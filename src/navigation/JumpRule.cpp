#include "navigation/JumpRule.h"

#include "text/NumberField.h"

namespace pelto {

std::optional<int32_t> JumpTopRow(int64_t lineNumber, const RowTable& rows)
{
    // RowOfLine raises on a negative line; "$FFFFFFFF" converts to -1.
    if (lineNumber < 0)
        return std::nullopt;
    const int32_t rowCount = rows.RowCount();
    const int64_t row = lineNumber >= rows.LineCount() ? rowCount
                                                        : rows.RowOfLine(static_cast<int32_t>(lineNumber));
    if (row < 1)
        return std::nullopt;
    return row >= rowCount ? rowCount - 1 : static_cast<int32_t>(row - 1);
}

std::optional<int32_t> JumpNumber(std::string_view numberText)
{
    size_t pos = numberText.find_first_not_of(' ');
    if (pos != std::string_view::npos && (numberText[pos] == '+' || numberText[pos] == '-'))
        ++pos;
    // StrToInt would take "0x1A" as 26; a typed jump knows only "$".
    if (pos != std::string_view::npos && pos + 1 < numberText.size() && numberText[pos] == '0' &&
        (numberText[pos + 1] == 'x' || numberText[pos + 1] == 'X'))
        return std::nullopt;
    return StrToInt(numberText);
}

std::optional<int32_t> JumpTopRow(std::string_view numberText, const RowTable& rows)
{
    std::optional<int32_t> number = JumpNumber(numberText);
    if (!number)
        return std::nullopt;
    return JumpTopRow(*number, rows);
}

JumpResult JumpFromText(std::string_view jumpText, const RowTable& rows)
{
    // The text is what was typed (platform text); an ASCII "-" byte never
    // occurs inside a multi-byte character there.
    if (jumpText.find('-') != std::string_view::npos)
        return {JumpOutcome::MinusSign, 0};
    if (std::optional<int32_t> topRow = JumpTopRow(jumpText, rows))
        return {JumpOutcome::Jump, *topRow};
    return {JumpOutcome::OutOfRange, 0};
}

} // namespace pelto

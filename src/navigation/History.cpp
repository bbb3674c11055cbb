#include "navigation/History.h"

#include <algorithm>

namespace pelto {

void ShiftHistory(std::span<std::string> table)
{
    for (size_t i = table.size(); i-- > 1;)
        table[i] = table[i - 1];
}

void ClearHistory(std::span<std::string> table)
{
    for (size_t i = 1; i < table.size(); ++i)
        table[i].clear();
}

std::vector<std::string> HistoryListLines(std::span<const std::string> table, int shownSize)
{
    std::vector<std::string> lines;
    // A size above the table, written by hand into the settings, shows the
    // whole table.
    const size_t last = std::min(table.empty() ? size_t{0} : table.size() - 1,
                                 static_cast<size_t>(std::max(shownSize, 0)));
    for (size_t i = 1; i <= last; ++i) {
        if (!table[i].empty())
            lines.push_back(table[i]);
    }
    if (lines.empty())
        lines.emplace_back();
    return lines;
}

} // namespace pelto

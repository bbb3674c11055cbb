#include "text/NumberedLine.h"

#include <cstdio>

namespace pelto {

std::string MakeNumberedLine(long long line1Based, std::string_view payload)
{
    char digits[32];
    int n = std::snprintf(digits, sizeof digits, "%06lld", line1Based);
    std::string record;
    record.reserve(static_cast<size_t>(n) + 3 + payload.size());
    record.append(digits, static_cast<size_t>(n));
    record.append(" : ");
    record.append(payload);
    return record;
}

bool ReadNumberedLine(std::string_view record, long long& line1Based, std::string& payload)
{
    size_t sep = record.find(" : ");
    if (sep == std::string_view::npos || sep == 0)
        return false;
    long long value = 0;
    for (size_t i = 0; i < sep; ++i) {
        char c = record[i];
        if (c < '0' || c > '9')
            return false;
        if (value > (9223372036854775807LL - (c - '0')) / 10)
            return false;
        value = value * 10 + (c - '0');
    }
    line1Based = value;
    payload.assign(record.substr(sep + 3));
    return true;
}

} // namespace pelto

#include "cli/FindCommand.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <new>

#include "navigation/SearchScan.h"
#include "text/Cp932.h"
#include "view/BvStrings.h"
#include "view/RowTable.h"

namespace pelto {

const char* const kFindUsage =
    "usage: pelto-cli find [--case] [--prior] [--hex] [--wrap N | --nowrap] [--top ROW] PATTERN FILE\n"
    "  Scans the rows of FILE as the search dialog does, from row ROW (0-based, default 0;\n"
    "  a row past the end means the last row) downwards, or upwards with --prior, and prints\n"
    "  \"Row Position\": the 0-based row of the first hit and the 1-based byte position of the\n"
    "  hit within that row.  Nothing is printed when there is none.\n"
    "  --case    distinguish upper and lower case (the dialog's check box\n"
    "            \"大文字と小文字を区別する\"); without it single-byte a-z and A-Z match each other\n"
    "  --prior   search upwards (the dialog's \"前検索\")\n"
    "  --hex     PATTERN is the CP932 bytes in hexadecimal (\"82A0\"); otherwise it is UTF-8 text,\n"
    "            converted to CP932 (a character CP932 lacks finds nothing)\n"
    "  --wrap N  rows of N bytes (default 80);  --nowrap  one row per line\n";

namespace {

bool ParseNumber(std::string_view text, int64_t& value)
{
    auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::optional<std::string> HexBytes(std::string_view hex)
{
    if (hex.size() % 2 != 0)
        return std::nullopt;
    std::string bytes;
    for (size_t i = 0; i < hex.size(); i += 2) {
        int high = HexDigit(hex[i]), low = HexDigit(hex[i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes.push_back(static_cast<char>(high * 16 + low));
    }
    return bytes;
}

// Well-formed UTF-8: no stray continuation bytes, overlong forms or surrogates.
bool ValidUtf8(std::string_view text)
{
    for (size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        size_t length = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
        if (length == 0 || i + length > text.size())
            return false;
        char32_t code = length == 1 ? b : length == 2 ? (b & 0x1F) : length == 3 ? (b & 0x0F) : (b & 0x07);
        for (size_t k = 1; k < length; ++k) {
            const auto c = static_cast<unsigned char>(text[i + k]);
            if ((c & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (c & 0x3F);
        }
        static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

} // namespace

bool PatternBytes(std::string_view pattern, bool hex, std::optional<std::string>& bytes, std::string& error)
{
    if (hex) {
        bytes = HexBytes(pattern);
        if (!bytes) {
            error = "PATTERN is not hexadecimal bytes (two digits a byte)";
            return false;
        }
        return true;
    }
    if (!ValidUtf8(pattern)) {
        error = "PATTERN is not UTF-8 text";
        return false;
    }
    bytes = Utf8ToCp932(pattern);  // nullopt: a character CP932 lacks
    return true;
}

std::optional<FindOptions> ParseFindArguments(const std::vector<std::string_view>& args, std::string& error)
{
    FindOptions options;
    bool wrapGiven = false, nowrapGiven = false;
    std::vector<std::string_view> operands;
    bool optionsDone = false;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string_view word = args[i];
        // A pattern such as "-5" is an operand; only "--" words are options.
        if (optionsDone || word.size() < 2 || word.substr(0, 2) != "--") {
            operands.push_back(word);
            continue;
        }
        if (word == "--") {
            optionsDone = true;
        } else if (word == "--case") {
            options.caseSensitive = true;
        } else if (word == "--prior") {
            options.prior = true;
        } else if (word == "--hex") {
            options.hex = true;
        } else if (word == "--nowrap") {
            nowrapGiven = true;
            options.wordWrap = false;
        } else if (word == "--wrap" || word == "--top") {
            if (i + 1 >= args.size()) {
                error = std::string(word) + " needs a value";
                return std::nullopt;
            }
            std::string_view value = args[++i];
            int64_t number = 0;
            if (word == "--wrap") {
                if (!ParseNumber(value, number) || number < 1 || number > INT32_MAX) {
                    error = "--wrap needs a positive whole number, not \"" + std::string(value) + "\"";
                    return std::nullopt;
                }
                wrapGiven = true;
                options.wrapByte = static_cast<int32_t>(number);
            } else {
                if (!ParseNumber(value, number) || number < 0) {
                    error = "--top needs a row number of 0 or more, not \"" + std::string(value) + "\"";
                    return std::nullopt;
                }
                options.topRow = number;
            }
        } else {
            error = "unknown option " + std::string(word);
            return std::nullopt;
        }
    }
    if (wrapGiven && nowrapGiven) {
        error = "--wrap and --nowrap exclude each other";
        return std::nullopt;
    }
    if (operands.size() != 2) {
        error = operands.size() < 2 ? "PATTERN and FILE are needed" : "only PATTERN and one FILE are accepted";
        return std::nullopt;
    }
    options.pattern = std::string(operands[0]);
    options.file = std::string(operands[1]);
    return options;
}

int RunFind(const FindOptions& options, std::string& output, std::string& error)
{
    output.clear();
    // The pattern first: a bad one should not cost a load.
    std::optional<std::string> bytes;
    if (!PatternBytes(options.pattern, options.hex, bytes, error))
        return 2;

    TBvStrings store;
    RowTable rows;
    try {
        store.LoadFromFile(options.file);
        rows.LayoutFrom(0, store, options.wordWrap, options.wrapByte, nullptr);
    } catch (const std::bad_alloc&) {
        error = options.file + ": out of memory";
        return 2;
    } catch (const std::exception& failure) {
        error = failure.what();
        return 2;
    }
    if (!bytes || rows.RowCount() == 0)
        return 0;
    // The view keeps TopRow within the rows that exist.
    const auto topRow = static_cast<int32_t>(std::min<int64_t>(options.topRow, rows.RowCount() - 1));
    auto hit = SearchRows(store, rows, *bytes, topRow,
                          options.prior ? SearchDirection::Prior : SearchDirection::Next, options.caseSensitive);
    if (hit)
        output = std::to_string(hit->Row) + " " + std::to_string(hit->Position) + "\n";
    return 0;
}

int CliFind(int argc, char** argv)
{
    std::vector<std::string_view> args(argv, argv + argc);
    std::string error, output;
    int status = 2;
    if (std::optional<FindOptions> options = ParseFindArguments(args, error))
        status = RunFind(*options, output, error);
    if (status != 0) {
        std::fprintf(stderr, "pelto-cli: find: %s\n", error.c_str());
        return status;
    }
    if (std::fwrite(output.data(), 1, output.size(), stdout) != output.size() || std::fflush(stdout) != 0) {
        std::fputs("pelto-cli: find: standard output could not be written\n", stderr);
        return 2;
    }
    return 0;
}

} // namespace pelto

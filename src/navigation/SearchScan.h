// The text search over display rows: each row is searched on its own, so a
// string split across two rows by wrapping is not found, and a match starts
// only on a character boundary of its row.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "view/BvStrings.h"
#include "view/RowTable.h"

namespace pelto {

// Notices of the message window (UTF-8).
inline constexpr const char* kSearchNotFoundMessage = "    検索文字はありませんでした。   ";
inline constexpr const char* kSearchTextNotSetMessage = "    検索文字が設定されていません。   ";

// FindDirection: the dialog's two search buttons set it.
enum class SearchDirection { Next = 0, Prior = 1 };

struct SearchHit {
    int32_t Row;       // 0-based display row
    int32_t Position;  // 1-based byte position within that row's text
};

// A search string made ready once for a whole scan.  The bytes are CP932
// (document text).  Without case sensitivity both the string and every row
// are upper-cased with UpperAscii before comparing, so only single-byte a-z
// fold and a trail byte that looks like a letter is compared as stored.
class SearchPattern {
public:
    SearchPattern(std::string_view cp932Pattern, bool caseSensitive);

    bool Empty() const { return folded_.empty(); }
    size_t Size() const { return folded_.size(); }
    bool CaseSensitive() const { return !fold_; }

    // First address a in [from, end - Size()] whose bytes can match: equal
    // bytes, or a-z against A-Z when folding.  end when there is none.  The
    // caller still checks the character boundary and the folding rule.
    const char* NextCandidate(const char* from, const char* end) const;

    // Whether the row text matches at 0-based offset, which must be a
    // character start of the row; checks the whole folding rule.
    bool MatchesAt(std::string_view rowText, size_t offset) const;

private:
    template <bool Fold>
    const char* Scan(const char* from, const char* end) const;
    bool MiddleMatches(const char* at) const;

    std::string folded_;  // the pattern, upper-cased when folding
    std::string alt_;     // per byte: its lower-case twin when folding an A-Z byte, else the byte
    bool fold_ = false;
    bool anyAlt_ = false;
};

// The search of the dialog and the repeat commands: rows startRow, startRow+1,
// ... through the last row (Next), or startRow, startRow-1, ... down to row 0
// (Prior); the first row whose text contains the pattern gives the hit at the
// pattern's first position in that row.  A start row past either end scans
// only the rows that exist; an empty pattern finds nothing.
std::optional<SearchHit> SearchRows(const TBvStrings& store, const RowTable& rows,
                                    const SearchPattern& pattern, int32_t startRow,
                                    SearchDirection direction);
std::optional<SearchHit> SearchRows(const TBvStrings& store, const RowTable& rows,
                                    std::string_view cp932Pattern, int32_t startRow,
                                    SearchDirection direction, bool caseSensitive);

// A loaded document keeps its lines in one block, in order, separated only by
// their breaks (CR, CR LF; 0 between the pieces of an overlong line): whether
// a line that begins at begin follows the one that ended at previousEnd so,
// with emptyLinesBetween empty lines between them.  Lines that sit like that
// are searched as one stretch of memory; a changed line lives elsewhere and
// starts a stretch of its own.
bool AdjacentLines(const char* previousEnd, const char* begin, int32_t emptyLinesBetween);

// Where a repeat search starts.  hitRow is the 1-based HitRow; while the hit
// is still shown the scan starts beside it, else beside the top row (the top
// row itself is skipped).
int32_t RepeatNextStartRow(bool hitShown, int32_t topRow, int32_t findScrollRows, int32_t hitRow);
int32_t RepeatPriorStartRow(bool hitShown, int32_t topRow, int32_t findScrollRows, int32_t hitRow);

// TopRow that shows a hit at 0-based row with findScrollRows rows above it.
int32_t HitTopRow(int32_t hitRow0, int32_t findScrollRows);

// FindScrollRows from the options: the number forced into 0..16 when the
// check is on, else 0.  A number that does not convert counts as 0.
int32_t FindScrollRowsFromOptions(bool checkFindScroll, std::string_view editFindScroll);

// What the caption adds on a hit (UTF-8): "  検索行 : " hitRow1 " (" line1
// ")  検索位置 : " position.
std::string SearchHitCaption(int32_t hitRow1, int32_t line1, int32_t position);

} // namespace pelto

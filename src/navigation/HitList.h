// Every logical line that holds a search string, by the search's own rule, and
// the post each of those lines belongs to: the hit list of the window (a
// document or every file of the captured list) and "pelto-cli grep".
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "forum/PostHeader.h"
#include "navigation/SearchScan.h"
#include "view/BvStrings.h"

namespace pelto {

// The search string made ready for whole lines.  The rule is the search
// dialog's, applied to a whole logical line instead of a display row: a match
// starts on a character boundary counted from the line's first byte and lies
// wholly inside the line; without case sensitivity only single-byte a-z and
// A-Z match each other, both bytes of a double-byte character compare as
// stored.  So "\" never matches the trail byte of "ソ".
class LineMatcher {
public:
    LineMatcher(std::string_view cp932Pattern, bool caseSensitive);

    bool Empty() const { return pattern_.Empty(); }
    size_t Size() const { return pattern_.Size(); }

    // 0-based offset of the first match in line; npos when there is none.
    size_t Find(std::string_view line) const;
    // Matches in line that do not overlap, counted from the first.
    int CountIn(std::string_view line) const;

    // First address a in [from, end - Size()] whose bytes can match; end
    // when there is none.  The caller checks the character boundary.
    const char* NextCandidate(const char* from, const char* end) const { return pattern_.NextCandidate(from, end); }
    // Whether line matches at offset, which must start a character of line.
    bool MatchesAt(std::string_view line, size_t offset) const { return pattern_.MatchesAt(line, offset); }

private:
    SearchPattern pattern_;  // the search's own rule, on a whole line
};

// Whether offset starts a character of line, walking from its first byte.
// Offsets asked in increasing order within one line resume the walk.
class CharacterWalk {
public:
    bool IsStart(std::string_view line, size_t offset);

private:
    const char* line_ = nullptr;
    size_t at_ = 0;
};

struct LineHit {
    int64_t Line = 0;   // 0-based logical line
    size_t Offset = 0;  // 0-based byte offset of the first match in it
};

// The window stops listing at this many hit lines and says so.
inline constexpr size_t kMaxHitLines = 100000;

// Calls onHit for every line of the store that holds a match, in order, until
// it returns false.  keepGoing is asked every few thousand lines with the
// line reached; false stops the scan.  Lines are searched where the store
// keeps them, several at a time, so lines without a candidate cost almost
// nothing beyond the scan of their bytes.  A large store is searched in two
// halves at once; onHit and keepGoing are still called on the caller's thread.
void ScanStoreLines(const TBvStrings& store, const LineMatcher& matcher,
                    const std::function<bool(const LineHit&)>& onHit,
                    const std::function<bool(int32_t)>& keepGoing = {});

// The bytes of a file cut where the line store stops reading: at the first
// 0x1A.
std::string_view LoadedPart(std::string_view fileBytes);

// The same over a file's bytes as the line store would read them (CR or CR LF
// ends a line, a lone LF stays in its line; pass LoadedPart of the file).
// onHit gets the line, its text and the offset of the first match.
void ScanFileBytes(std::string_view bytes, const LineMatcher& matcher,
                   const std::function<bool(int64_t line, std::string_view text, size_t offset)>& onHit);

// --- the post a line belongs to ---------------------------------------------

// A post header: its line, the post number and a short title (CP932).
struct PostRef {
    int64_t HeaderLine = -1;  // 0-based; -1: no header at or above the line
    long Number = 0;
    std::string Title;
};

// The post a header line opens; nullopt when the line is no header.  A header
// needs a line after it (the last line is never a header); `next` is that
// line, or nullptr for the last line.  Slash headers carry the post number in
// columns 1-5 and their title from column 13; two-line headers the number in
// columns 26-30 and the title on the next line; bracket headers the number in
// columns 27-31 and their title from column 33.
std::optional<PostRef> PostOfHeader(std::string_view line, const std::string_view* next);

// The nearest header at or above a line of a document.  Lines asked in
// increasing order walk back only to the line asked before.
class PostFinder {
public:
    explicit PostFinder(DocumentLines doc) : doc_(std::move(doc)) {}
    const PostRef& Of(int64_t line);

private:
    DocumentLines doc_;
    int64_t lastLine_ = -1;
    PostRef last_;
};

// The same over a file's bytes (LoadedPart of the file), given the line and
// where its text starts.
class BytePostFinder {
public:
    explicit BytePostFinder(std::string_view bytes) : bytes_(bytes) {}
    const PostRef& Of(int64_t line, const char* lineStart);

private:
    std::string_view bytes_;
    int64_t lastLine_ = -1;
    PostRef last_;
};

// --- the list --------------------------------------------------------------

struct HitEntry {
    int File = 0;         // index into HitListing::Files
    int64_t Line = 0;     // 0-based
    size_t Offset = 0;    // first match in the line
    int Matches = 0;      // matches in the line
    PostRef Post;
    std::string Excerpt;  // CP932: the line from a little before the match
};

struct HitListing {
    std::vector<std::string> Files;  // full names (platform text)
    std::vector<HitEntry> Hits;
    long long MatchCount = 0;
    int FilesWithHits = 0;
    int FilesSkipped = 0;   // could not be read
    bool Capped = false;    // stopped at kMaxHitLines
    bool Cancelled = false;
};

// Adds the hits of one loaded document (file index `file` of the listing) and
// their posts; stops at kMaxHitLines over the whole listing or when keepGoing
// says so (Cancelled).
void AddDocumentHits(HitListing& listing, int file, const TBvStrings& store, const LineMatcher& matcher,
                     const std::function<bool(int32_t)>& keepGoing = {});

// The folder search: each of listing.Files in turn read whole and searched
// line by line as the line store would split it, without building a store or
// a layout (ScanFileBytes); a file that cannot be read is counted in
// FilesSkipped.  keepGoing(file index, line) is asked while a file is read.
void AddFilesHits(HitListing& listing, const LineMatcher& matcher,
                  const std::function<bool(int, int32_t)>& keepGoing = {});

// One item of the window (CP932): for a folder search the file's name, then
// the 1-based line number, the post (number and title, blanks without one)
// and the excerpt.
std::string HitItemText(const HitListing& listing, const HitEntry& hit, bool withFileName);

// The status line (UTF-8): hits, lines, files, time, and what was left out.
std::string HitStatusText(const HitListing& listing, double seconds);

// The hit's post for the tree post viewer: "000001 : " and the document name,
// then the post's lines from its header to where the thread cut ends it.
// nullopt when the line belongs to no post.
std::optional<std::string> HitPostText(const DocumentLines& doc, int64_t line, std::string_view documentName);

} // namespace pelto

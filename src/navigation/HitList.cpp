#include "navigation/HitList.h"
#include "view/HelperThread.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "forum/ThreadCut.h"
#include "text/Cp932.h"

namespace pelto {

namespace {

inline bool Lead(char b) { return IsDBCSLeadByte(static_cast<unsigned char>(b)); }

} // namespace

// --- matching ---------------------------------------------------------------

LineMatcher::LineMatcher(std::string_view cp932Pattern, bool caseSensitive) : pattern_(cp932Pattern, caseSensitive) {}

bool CharacterWalk::IsStart(std::string_view line, size_t offset)
{
    if (line_ != line.data() || at_ > offset) {
        line_ = line.data();
        at_ = 0;
    }
    while (at_ < offset)
        at_ += (Lead(line[at_]) && at_ + 1 < line.size()) ? 2 : 1;
    return at_ == offset;
}

size_t LineMatcher::Find(std::string_view line) const
{
    CharacterWalk walk;
    const char* end = line.data() + line.size();
    for (const char* from = line.data();;) {
        const char* at = NextCandidate(from, end);
        if (at == end)
            return std::string_view::npos;
        const auto offset = static_cast<size_t>(at - line.data());
        if (walk.IsStart(line, offset) && MatchesAt(line, offset))
            return offset;
        from = at + 1;
    }
}

int LineMatcher::CountIn(std::string_view line) const
{
    CharacterWalk walk;
    const char* end = line.data() + line.size();
    int count = 0;
    for (const char* from = line.data();;) {
        const char* at = NextCandidate(from, end);
        if (at == end)
            return count;
        const auto offset = static_cast<size_t>(at - line.data());
        if (walk.IsStart(line, offset) && MatchesAt(line, offset)) {
            ++count;
            from = at + pattern_.Size();
        } else {
            from = at + 1;
        }
    }
}

// --- scanning a line store --------------------------------------------------

namespace {

struct Span {
    const char* begin;
    const char* end;
    int32_t line;
};

constexpr size_t kChunkLines = 16384;

} // namespace

namespace {

// Lines line..to-1 of ScanStoreLines; false when onHit or keepGoing said
// stop, and next is then the first line not searched.
bool ScanStoreRange(const TBvStrings& store, const LineMatcher& matcher, int32_t line, const int32_t to,
                    const std::function<bool(const LineHit&)>& onHit,
                    const std::function<bool(int32_t)>& keepGoing, int32_t& next)
{
    std::vector<Span> spans;
    spans.reserve(kChunkLines);
    CharacterWalk walk;
    while (line < to) {
        if (keepGoing && !keepGoing(line)) {
            next = line;
            return false;
        }
        spans.clear();
        const char* previousEnd = nullptr;
        int32_t emptyLines = 0;
        for (; line < to && spans.size() < kChunkLines; ++line) {
            const std::string_view text = store.Get(line);
            if (text.empty()) {
                ++emptyLines;
                continue;
            }
            if (!spans.empty() && !AdjacentLines(previousEnd, text.data(), emptyLines))
                break;
            spans.push_back({text.data(), text.data() + text.size(), line});
            previousEnd = spans.back().end;
            emptyLines = 0;
        }
        if (spans.empty())
            continue;
        const char* end = spans.back().end;
        for (const char* from = spans.front().begin;;) {
            const char* at = matcher.NextCandidate(from, end);
            if (at == end)
                break;
            auto span = std::upper_bound(spans.begin(), spans.end(), at,
                                         [](const char* a, const Span& s) { return a < s.begin; });
            --span;
            if (at + matcher.Size() > span->end) {
                from = at + 1;
                continue;
            }
            const std::string_view text(span->begin, static_cast<size_t>(span->end - span->begin));
            const auto offset = static_cast<size_t>(at - span->begin);
            if (!walk.IsStart(text, offset) || !matcher.MatchesAt(text, offset)) {
                from = at + 1;
                continue;
            }
            if (!onHit(LineHit{span->line, offset})) {
                next = span->line + 1;
                return false;
            }
            from = span->end;  // one hit a line
            if (from >= end)
                break;
        }
    }
    next = to;
    return true;
}

} // namespace

// A large document is searched in two halves at once.  The second half's hits
// wait in a bounded list until the first half is done, then go to onHit in
// order; if the list fills, the rest of the second half is searched after it.
void ScanStoreLines(const TBvStrings& store, const LineMatcher& matcher,
                    const std::function<bool(const LineHit&)>& onHit,
                    const std::function<bool(int32_t)>& keepGoing)
{
    constexpr int32_t kTwoHalvesFrom = 1 << 20;
    constexpr size_t kHeldHits = kMaxHitLines + 1;
    if (matcher.Empty())
        return;
    const int32_t count = store.Count();
    int32_t next = 0;
    if (count < kTwoHalvesFrom) {
        ScanStoreRange(store, matcher, 0, count, onHit, keepGoing, next);
        return;
    }
    const int32_t middle = count / 2;
    std::atomic<bool> stop{false};
    std::vector<LineHit> held;
    int32_t resume = middle;
    HelperThread second(
        [&] {
            ScanStoreRange(
                store, matcher, middle, count,
                [&](const LineHit& hit) {
                    held.push_back(hit);
                    return held.size() < kHeldHits;
                },
                [&](int32_t) { return !stop.load(std::memory_order_relaxed); }, resume);
        },
        &stop);
    if (!ScanStoreRange(store, matcher, 0, middle, onHit, keepGoing, next))
        return;  // the caller has what it wants: the second half stops
    second.Join();
    for (const LineHit& hit : held) {
        if (!onHit(hit))
            return;
    }
    if (resume < count)
        ScanStoreRange(store, matcher, resume, count, onHit, keepGoing, next);
}

// --- scanning a file's bytes ------------------------------------------------

std::string_view LoadedPart(std::string_view fileBytes)
{
    const void* mark = std::memchr(fileBytes.data(), 0x1A, fileBytes.size());
    return mark ? fileBytes.substr(0, static_cast<size_t>(static_cast<const char*>(mark) - fileBytes.data()))
                : fileBytes;
}

namespace {

// Where the line after a break at `at` (a CR) starts: CR LF is one break.
inline const char* AfterBreak(const char* at, const char* end)
{
    ++at;
    return at < end && *at == '\n' ? at + 1 : at;
}

inline const char* LineEnd(const char* from, const char* end)
{
    const void* cr = std::memchr(from, '\r', static_cast<size_t>(end - from));
    return cr ? static_cast<const char*>(cr) : end;
}

int64_t CountBreaks(const char* from, const char* to)
{
    int64_t count = 0;
#if defined(__SSE2__)
    // Per byte lane a counter of up to 255 matches, then summed.
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i zero = _mm_setzero_si128();
    while (to - from >= 16) {
        __m128i lanes = zero;
        for (int round = 0; round < 255 && to - from >= 16; ++round, from += 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
            lanes = _mm_sub_epi8(lanes, _mm_cmpeq_epi8(bytes, cr));
        }
        const __m128i sums = _mm_sad_epu8(lanes, zero);
        count += _mm_cvtsi128_si32(sums) + _mm_extract_epi16(sums, 4);
    }
#endif
    return count + std::count(from, to, '\r');
}

// Start of the line before the one that starts at lineStart (> begin), and
// in *previousEnd where it ends.
const char* PreviousLineStart(const char* begin, const char* lineStart, const char** previousEnd)
{
    const char* breakAt = lineStart - 1;
    if (*breakAt == '\n' && breakAt > begin && breakAt[-1] == '\r')
        --breakAt;
    *previousEnd = breakAt;
    const void* cr = breakAt > begin ? memrchr(begin, '\r', static_cast<size_t>(breakAt - begin)) : nullptr;
    return cr ? AfterBreak(static_cast<const char*>(cr), breakAt) : begin;
}

} // namespace

void ScanFileBytes(std::string_view bytes, const LineMatcher& matcher,
                   const std::function<bool(int64_t, std::string_view, size_t)>& onHit)
{
    if (matcher.Empty())
        return;
    const char* const begin = bytes.data();
    const char* const end = begin + bytes.size();
    // Lines before `floor` are done; floorLine is the line that starts there.
    // Breaks are counted only up to the lines that hold a candidate.
    const char* floor = begin;
    int64_t floorLine = 0;
    const char* lineStart = nullptr;  // the line of the last candidate
    const char* lineEnd = nullptr;
    int64_t line = 0;
    CharacterWalk walk;
    for (const char* from = begin;;) {
        const char* at = matcher.NextCandidate(from, end);
        if (at == end)
            return;
        if (lineStart == nullptr || at >= lineEnd) {
            const void* cr = memrchr(floor, '\r', static_cast<size_t>(at - floor));
            if (cr) {
                const char* start = AfterBreak(static_cast<const char*>(cr), end);
                floorLine += CountBreaks(floor, start);
                floor = start;
            }
            lineStart = floor;
            line = floorLine;
            lineEnd = LineEnd(at, end);
        }
        if (at < lineStart || at + matcher.Size() > lineEnd) {
            from = at + 1;  // inside a break, or across one
            continue;
        }
        const std::string_view text(lineStart, static_cast<size_t>(lineEnd - lineStart));
        const auto offset = static_cast<size_t>(at - lineStart);
        if (!walk.IsStart(text, offset) || !matcher.MatchesAt(text, offset)) {
            from = at + 1;
            continue;
        }
        if (!onHit(line, text, offset) || lineEnd == end)
            return;
        floor = AfterBreak(lineEnd, end);
        floorLine = line + 1;
        lineStart = nullptr;
        from = floor;
    }
}

// --- posts ------------------------------------------------------------------

namespace {

std::string TrimBlanks(std::string_view text)
{
    size_t first = 0, last = text.size();
    while (first < last && (text[first] == ' ' || text[first] == '\t'))
        ++first;
    while (last > first && (text[last - 1] == ' ' || text[last - 1] == '\t'))
        --last;
    return std::string(text.substr(first, last - first));
}

std::string_view From(std::string_view line, size_t column1)
{
    return line.size() >= column1 ? line.substr(column1 - 1) : std::string_view();
}

} // namespace

std::optional<PostRef> PostOfHeader(std::string_view line, const std::string_view* next)
{
    if (next == nullptr || line.size() < 11)
        return std::nullopt;
    PostRef post;
    if (IsSlashHeader(line)) {
        post.Number = *NumberField(line, 1, 5, 1, 99999);
        post.Title = TrimBlanks(From(line, 13));
    } else if (IsTwoLineHeader(line)) {
        post.Number = *NumberField(line, 26, 30, 1, 99999);
        post.Title = TrimBlanks(*next);
    } else if (IsBracketHeader(line)) {
        post.Number = *NumberField(line, 27, 31, 1, 99999);
        post.Title = TrimBlanks(From(line, 33));
    } else {
        return std::nullopt;
    }
    return post;
}

const PostRef& PostFinder::Of(int64_t line)
{
    if (line < lastLine_) {
        lastLine_ = -1;
        last_ = PostRef{};
    }
    for (int64_t at = line; at > lastLine_; --at) {
        const std::string_view text = doc_.get(static_cast<int>(at));
        std::string_view next;
        const bool hasNext = at + 1 < doc_.count;
        if (hasNext)
            next = doc_.get(static_cast<int>(at + 1));
        if (std::optional<PostRef> post = PostOfHeader(text, hasNext ? &next : nullptr)) {
            last_ = std::move(*post);
            last_.HeaderLine = at;
            break;
        }
    }
    lastLine_ = line;
    return last_;
}

const PostRef& BytePostFinder::Of(int64_t line, const char* lineStart)
{
    if (line < lastLine_) {
        lastLine_ = -1;
        last_ = PostRef{};
    }
    const char* begin = bytes_.data();
    const char* end = begin + bytes_.size();
    // The line after the asked one, when there is one.
    const char* start = lineStart;
    const char* stop = LineEnd(start, end);
    std::string_view next;
    bool hasNext = false;
    if (stop < end) {
        const char* nextStart = AfterBreak(stop, end);
        if (nextStart < end) {
            next = std::string_view(nextStart, static_cast<size_t>(LineEnd(nextStart, end) - nextStart));
            hasNext = true;
        }
    }
    for (int64_t at = line; at > lastLine_; --at) {
        const std::string_view text(start, static_cast<size_t>(stop - start));
        if (std::optional<PostRef> post = PostOfHeader(text, hasNext ? &next : nullptr)) {
            last_ = std::move(*post);
            last_.HeaderLine = at;
            break;
        }
        if (start == begin)
            break;
        next = text;
        hasNext = true;
        start = PreviousLineStart(begin, start, &stop);
    }
    lastLine_ = line;
    return last_;
}

// --- the list ---------------------------------------------------------------

namespace {

constexpr size_t kExcerptLead = 16;   // bytes shown before the match
constexpr size_t kExcerptBytes = 200;
constexpr size_t kTitleBytes = 40;
// "…" in CP932: the excerpt starts inside the line.
constexpr std::string_view kEllipsis = "\x81\x63";

// The bytes of text from `from` on, at most `limit`, cut at a character
// boundary; `from` must start a character.
size_t ClipLength(std::string_view text, size_t from, size_t limit)
{
    size_t at = from;
    while (at < text.size()) {
        const size_t next = at + static_cast<size_t>(Cp932CharLen(text, at));
        if (next - from > limit)
            break;
        at = next;
    }
    return at - from;
}

// Tabs and control bytes would upset the list's columns: blanks instead.
void AppendShown(std::string& out, std::string_view text)
{
    for (size_t at = 0; at < text.size();) {
        const int length = Cp932CharLen(text, at);
        const auto b = static_cast<unsigned char>(text[at]);
        if (length == 1 && (b < 0x20 || b == 0x7F))
            out += ' ';
        else
            out.append(text.substr(at, static_cast<size_t>(length)));
        at += static_cast<size_t>(length);
    }
}

std::string Excerpt(std::string_view line, size_t offset)
{
    size_t start = 0;
    for (size_t at = 0; at < offset && at < line.size(); at += static_cast<size_t>(Cp932CharLen(line, at))) {
        if (offset - at <= kExcerptLead)
            break;
        start = at + static_cast<size_t>(Cp932CharLen(line, at));
    }
    std::string out;
    if (start > 0)
        out += kEllipsis;
    AppendShown(out, line.substr(start, ClipLength(line, start, kExcerptBytes)));
    return out;
}

} // namespace

namespace {

// One listed line; false (and Capped) when the list is full.
bool AddHit(HitListing& listing, int file, const LineMatcher& matcher, int64_t line, std::string_view text,
            size_t offset, const PostRef& post)
{
    if (listing.Hits.size() >= kMaxHitLines) {
        listing.Capped = true;
        return false;
    }
    HitEntry entry;
    entry.File = file;
    entry.Line = line;
    entry.Offset = offset;
    entry.Matches = matcher.CountIn(text);
    entry.Post = post;
    entry.Excerpt = Excerpt(text, offset);
    listing.MatchCount += entry.Matches;
    listing.Hits.push_back(std::move(entry));
    return true;
}

// A file's bytes read whole with read() rather than mapped, so a file cut
// short meanwhile only ends early; the buffer serves file after file.
class FileReader {
public:
    // False when the file cannot be read or is no regular file (a FIFO
    // would wait for a writer).  keepGoing is asked between pieces.
    bool Read(const std::string& path, const std::function<bool()>& keepGoing)
    {
        size_ = 0;
        const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return false;
        struct stat info {};
        bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
        const auto size = ok ? static_cast<size_t>(info.st_size) : 0;
        if (ok && size > capacity_) {
            buffer_.reset(new (std::nothrow) char[size]);
            capacity_ = buffer_ ? size : 0;
            ok = buffer_ != nullptr;
        }
        constexpr size_t kPiece = size_t(16) << 20;
        while (ok && size_ < size) {
            const ssize_t got = read(fd, buffer_.get() + size_, std::min(kPiece, size - size_));
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                ok = false;
            else if (got == 0)
                break;  // cut short meanwhile
            else
                size_ += static_cast<size_t>(got);
            if (ok && keepGoing && !keepGoing())
                break;
        }
        close(fd);
        return ok;
    }
    std::string_view Bytes() const { return {buffer_.get(), size_}; }

private:
    std::unique_ptr<char[]> buffer_;
    size_t capacity_ = 0;
    size_t size_ = 0;
};

} // namespace

void AddDocumentHits(HitListing& listing, int file, const TBvStrings& store, const LineMatcher& matcher,
                     const std::function<bool(int32_t)>& keepGoing)
{
    PostFinder posts(DocumentLines::Of(store));
    const size_t before = listing.Hits.size();
    ScanStoreLines(
        store, matcher,
        [&](const LineHit& hit) {
            const std::string_view text = store.Get(static_cast<int32_t>(hit.Line));
            return AddHit(listing, file, matcher, hit.Line, text, hit.Offset, posts.Of(hit.Line));
        },
        [&](int32_t line) {
            if (keepGoing && !keepGoing(line)) {
                listing.Cancelled = true;
                return false;
            }
            return true;
        });
    if (listing.Hits.size() > before)
        ++listing.FilesWithHits;
}

void AddFilesHits(HitListing& listing, const LineMatcher& matcher, const std::function<bool(int, int32_t)>& keepGoing)
{
    FileReader reader;
    for (int file = 0; file < static_cast<int>(listing.Files.size()); ++file) {
        if (listing.Capped || listing.Cancelled)
            return;
        auto going = [&] { return !keepGoing || keepGoing(file, 0); };
        if (!going() || !reader.Read(listing.Files[static_cast<size_t>(file)], going)) {
            if (!going()) {
                listing.Cancelled = true;
                return;
            }
            ++listing.FilesSkipped;
            continue;
        }
        // The lines as the line store would read them, straight from the bytes.
        const std::string_view bytes = LoadedPart(reader.Bytes());
        BytePostFinder posts(bytes);
        const size_t before = listing.Hits.size();
        ScanFileBytes(bytes, matcher, [&](int64_t line, std::string_view text, size_t offset) {
            return AddHit(listing, file, matcher, line, text, offset, posts.Of(line, text.data()));
        });
        if (listing.Hits.size() > before)
            ++listing.FilesWithHits;
    }
}

std::string HitItemText(const HitListing& listing, const HitEntry& hit, bool withFileName)
{
    std::string item;
    if (withFileName) {
        const std::string& path = listing.Files[static_cast<size_t>(hit.File)];
        item += NameToSideFileBytes(path.substr(path.rfind('/') + 1));
        item += "  ";
    }
    AppendLineNumber(item, hit.Line + 1);
    const size_t postStart = item.size();
    if (hit.Post.HeaderLine >= 0) {
        char number[16];
        std::snprintf(number, sizeof number, "#%05ld ", hit.Post.Number);
        item += number;
        item.append(hit.Post.Title, 0, ClipLength(hit.Post.Title, 0, kTitleBytes));
    }
    // The post takes a column of its own, so the excerpts line up.
    item.resize(std::max(item.size() + 2, postStart + 7 + kTitleBytes + 2), ' ');
    item += hit.Excerpt;
    return item;
}

std::string HitStatusText(const HitListing& listing, double seconds)
{
    char text[256];
    std::snprintf(text, sizeof text, "%lld 件 (%zu 行, %d ファイル)  %.2f 秒", listing.MatchCount,
                  listing.Hits.size(), listing.FilesWithHits, seconds);
    std::string status = text;
    if (listing.FilesSkipped > 0)
        status += "  読めないファイル : " + std::to_string(listing.FilesSkipped);
    if (listing.Capped)
        status += "  " + std::to_string(kMaxHitLines) + " 行を超えたので打ち切りました";
    if (listing.Cancelled)
        status += "  中断しました";
    return status;
}

std::optional<std::string> HitPostText(const DocumentLines& doc, int64_t line, std::string_view documentName)
{
    if (line < 0 || line >= doc.count)
        return std::nullopt;
    PostFinder posts(doc);
    const PostRef& post = posts.Of(line);
    if (post.HeaderLine < 0)
        return std::nullopt;
    const PostSpan span = PostSpanOf(doc, post.HeaderLine + 1);
    std::string text;
    AppendNumberedLine(text, 1, NameToSideFileBytes(documentName));
    for (int at = span.begin; at < span.end; ++at) {
        text += doc.get(at);
        text += kCrLf;
    }
    return text;
}

} // namespace pelto

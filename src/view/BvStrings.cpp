#include "view/BvStrings.h"
#include "view/GuardedMapping.h"
#include "view/HelperThread.h"
#include "view/RowTable.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <sys/mman.h>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdint>
#include <exception>
#include <system_error>
#include <thread>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <istream>
#include <new>
#include <ostream>

namespace pelto {

namespace {

constexpr uint64_t kPoolBit = uint64_t(1) << 63;
constexpr size_t kMaxLineLength = 0x7FFFFFFF; // columns are 32-bit
constexpr size_t kUnknown = SIZE_MAX;
constexpr size_t kReadPiece = size_t(256) << 10;
constexpr size_t kMapAtLeast = size_t(1) << 20;
constexpr int kCopyDelayMs = 500;

std::atomic<size_t> parallelLoadThreshold{size_t(64) << 20};
std::atomic<bool> copyMapped{true};
std::atomic<int32_t> loadLineLimit{TBvStrings::MaxCapacity};

[[noreturn]] void TooManyLines()
{
    throw EInOutError("the file has more than " + std::to_string(loadLineLimit.load()) + " lines");
}

std::string ErrnoMessage(const std::string& path, int error)
{
    return path + ": " + std::strerror(error);
}

inline char FoldAscii(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

size_t PageSize()
{
    return static_cast<size_t>(::sysconf(_SC_PAGESIZE));
}

size_t PageRound(size_t bytes)
{
    const size_t page = PageSize();
    return (bytes + page - 1) / page * page;
}

// Copies bytes from src to dst, where dst has room up to dstEnd.  Large
// runs move most of their pages instead: copying into memory never touched
// before costs a page fault and a page clearing per page, which on a virtual
// machine is most of the time of the copy.  The pages land up to a page past
// where the bytes belong and are then shifted down in place.
void MoveBytes(void* dst, const void* dstEnd, void* src, size_t bytes)
{
    constexpr size_t kMoveAtLeast = size_t(16) << 20;
    const uintptr_t page = PageSize();
    char* const from = static_cast<char*>(src);
    char* const to = static_cast<char*>(dst);
    const uintptr_t bodyBegin = (reinterpret_cast<uintptr_t>(from) + page - 1) & ~(page - 1);
    const uintptr_t bodyEnd = (reinterpret_cast<uintptr_t>(from) + bytes) & ~(page - 1);
    if (bytes >= kMoveAtLeast && bodyEnd > bodyBegin) {
        const size_t head = bodyBegin - reinterpret_cast<uintptr_t>(from);
        const size_t body = bodyEnd - bodyBegin;
        char* const landing = reinterpret_cast<char*>((reinterpret_cast<uintptr_t>(to + head) + page - 1) & ~(page - 1));
        char* const bodyFrom = reinterpret_cast<char*>(bodyBegin);
        if (landing + body <= static_cast<const char*>(dstEnd) &&
            // The source stays mapped (as empty pages) for its owner to free;
            // a kernel that cannot do that refuses, and the bytes are copied.
            ::mremap(bodyFrom, body, body, MREMAP_MAYMOVE | MREMAP_FIXED | MREMAP_DONTUNMAP, landing) != MAP_FAILED) {
            std::memmove(to + head, landing, body);
            std::memcpy(to, from, head);
            std::memcpy(to + head + body, from + head + body, bytes - head - body);
            return;
        }
    }
    std::memcpy(dst, src, bytes);
}

} // namespace

// Slots of lines found by a loader, before they become the store's list.
struct TBvStrings::LineSink {
    Slot* slots = nullptr;
    size_t count = 0;
    size_t capacity = 0;
    std::vector<std::pair<uint64_t, uint32_t>> longLines;

    LineSink() = default;
    LineSink(const LineSink&) = delete;
    LineSink& operator=(const LineSink&) = delete;
    ~LineSink() { std::free(slots); }

    void Reserve(size_t n)
    {
        n = std::min<size_t>(n, static_cast<size_t>(loadLineLimit.load(std::memory_order_relaxed)));
        if (n <= capacity)
            return;
        void* grown = std::realloc(slots, n * sizeof(Slot));
        if (!grown)
            throw std::bad_alloc();
        AdviseHugePages(grown, n * sizeof(Slot));
        slots = static_cast<Slot*>(grown);
        capacity = n;
    }

    [[gnu::noinline]] void Grow()
    {
        if (count >= static_cast<size_t>(loadLineLimit.load(std::memory_order_relaxed)))
            TooManyLines();
        // The estimate was too small: grow in larger steps while loading; the
        // final trim makes the capacity equal the count either way.
        Reserve(std::max(capacity + GrowBy, capacity + capacity / 4));
    }

    [[gnu::always_inline]] void Add(uint64_t offset, size_t length)
    {
        if (__builtin_expect(count < capacity && length < kLongLength, 1))
            slots[count++] = Slot{offset | (uint64_t(length) << kLengthShift)};
        else
            AddSlow(offset, length);
    }

    [[gnu::noinline]] void AddSlow(uint64_t offset, size_t length)
    {
        // A line longer than a column can count is kept, cut into pieces.
        while (length > kMaxLineLength) {
            AddSlow(offset, kMaxLineLength);
            offset += kMaxLineLength;
            length -= kMaxLineLength;
        }
        if (count == capacity)
            Grow();
        if (length >= kLongLength) {
            longLines.emplace_back(offset, static_cast<uint32_t>(length));
            length = kLongLength;
        }
        slots[count++] = Slot{offset | (uint64_t(length) << kLengthShift)};
    }

    // Appends other's lines, as many as the store can hold; false when some
    // did not fit.
    bool Append(LineSink& other)
    {
        const size_t limit = static_cast<size_t>(loadLineLimit.load(std::memory_order_relaxed));
        const size_t room = limit - std::min(count, limit);
        const size_t n = std::min(other.count, room);
        const bool all = n == other.count;
        // A page of room more, for the pages moved in.
        Reserve(count + n + PageSize() / sizeof(Slot));
        const uint64_t kept = n > 0 ? (other.slots[n - 1].bits & kOffsetMask) + 1 : 0;
        if (n > 0)
            MoveBytes(slots + count, slots + capacity, other.slots, n * sizeof(Slot));
        count += n;
        for (const auto& entry : other.longLines) {
            if (entry.first < kept)
                longLines.push_back(entry);
        }
        std::free(other.slots);
        other.slots = nullptr;
        other.count = other.capacity = 0;
        return all;
    }
};

namespace {

// Where a split stands: the line in progress begins at lineStart (kUnknown
// until the first break of a part that starts inside a line), and the
// search for the next CR resumes at scanFrom.
struct ScanState {
    size_t lineStart = 0;
    size_t scanFrom = 0;
    size_t firstCr = kUnknown; // the first CR of a part that starts inside a line
};

} // namespace

// A part of the file read by one thread, [begin, end).
struct TBvStrings::LoadPart {
    size_t begin = 0;
    size_t end = 0;
    bool last = true;       // no part follows
    size_t limit = 0;       // end of the bytes that count (read, and before a 0x1A)
    bool endsEarly = false; // 0x1A, a short read or a read error inside the part
    bool done = false;      // every line of the part is in sink, the last one too
    int error = 0;
    ScanState scan;
    LineSink sink;
    std::exception_ptr failure;
    const std::atomic<bool>* stop = nullptr;  // the parts before ended early
    std::atomic<bool>* stopLater = nullptr;   // set when this part ends early
};

namespace {

// File rule: CR or CR LF ends a line; a lone LF is an ordinary byte.  Adds
// the lines ended by a CR at a position in [scanFrom, crLimit); the bytes up
// to dataEnd are present (one of them may be the LF after the CR).  With
// StopAtMark the same pass looks for the end-of-file mark 0x1A in
// [scanFrom, crLimit): the lines before the first one are added and its
// position returned (kUnknown when there is none).
template <bool StopAtMark = false, typename Sink>
size_t ScanBreaks(const char* data, ScanState& s, size_t crLimit, size_t dataEnd, Sink& sink)
{
    // Locals, not the state's fields: stores of slots could otherwise
    // alias them and force a reload after every line.
    size_t lineStart = s.lineStart;
    auto lineEnd = [&](size_t crPos) [[gnu::always_inline]] {
        if (__builtin_expect(lineStart == kUnknown, 0))
            s.firstCr = crPos;
        else
            sink.Add(lineStart, crPos - lineStart);
        lineStart = crPos + 1;
        if (lineStart < dataEnd && data[lineStart] == '\n')
            ++lineStart;
    };
    size_t pos = s.scanFrom;
    size_t mark = kUnknown;
    auto stopAt = [&](size_t at) {
        mark = at;
        crLimit = at;
        dataEnd = std::min(dataEnd, at);
    };
#ifdef __SSE2__
    // 64 bytes at a time: one bit per CR, taken lowest first.  A LF after a
    // CR is never a CR, so skipping it needs no care here.
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i sub = _mm_set1_epi8(0x1A);
    auto bits = [&](const char* p, const __m128i& of) {
        return static_cast<uint64_t>(static_cast<uint32_t>(
            _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), of))));
    };
    for (; pos + 64 <= crLimit; pos += 64) {
        const char* p = data + pos;
        uint64_t mask = bits(p, cr) | (bits(p + 16, cr) << 16) | (bits(p + 32, cr) << 32) | (bits(p + 48, cr) << 48);
        if constexpr (StopAtMark) {
            const uint64_t marks =
                bits(p, sub) | (bits(p + 16, sub) << 16) | (bits(p + 32, sub) << 32) | (bits(p + 48, sub) << 48);
            if (__builtin_expect(marks != 0, 0)) {
                const int at = __builtin_ctzll(marks);
                stopAt(pos + static_cast<size_t>(at));
                mask &= (uint64_t(1) << at) - 1;
            }
        }
        for (; mask != 0; mask &= mask - 1)
            lineEnd(pos + static_cast<size_t>(__builtin_ctzll(mask)));
        if (StopAtMark && mark != kUnknown) {
            pos = crLimit;
            break;
        }
    }
#endif
    if constexpr (StopAtMark) {
        if (mark == kUnknown && pos < crLimit) {
            if (const void* found = std::memchr(data + pos, 0x1A, crLimit - pos))
                stopAt(static_cast<size_t>(static_cast<const char*>(found) - data));
        }
    }
    while (pos < crLimit) {
        const void* found = std::memchr(data + pos, '\r', crLimit - pos);
        if (!found)
            break;
        const size_t crPos = static_cast<size_t>(static_cast<const char*>(found) - data);
        lineEnd(crPos);
        pos = crPos + 1;
    }
    s.lineStart = lineStart;
    s.scanFrom = lineStart == kUnknown ? crLimit : std::max(crLimit, lineStart);
    return mark;
}

// The last line needs no break.
template <typename Sink>
void FinishLines(const char* data, ScanState& s, size_t end, Sink& sink)
{
    ScanBreaks(data, s, end, end, sink);
    if (s.lineStart != kUnknown && s.lineStart < end) {
        sink.Add(s.lineStart, end - s.lineStart);
        s.lineStart = s.scanFrom = end;
    }
}

} // namespace

// Reads a part a piece at a time and splits each piece while it is still in
// the cache; reading stops at the end-of-file mark 0x1A.
void TBvStrings::ReadPart(int fd, char* block, LoadPart& part)
{
    // limit is kept up to date, so that a failure leaves it at what was read.
    size_t& have = part.limit;
    have = part.begin;
    try {
        while (have < part.end) {
            if (part.stop && part.stop->load(std::memory_order_relaxed))
                return; // what this part holds is not wanted
            const size_t want = std::min(kReadPiece, part.end - have);
            // fd < 0: the block maps the file, and the bytes are there.
            const ssize_t n = fd < 0 ? static_cast<ssize_t>(want)
                                     : ::pread(fd, block + have, want, static_cast<off_t>(have));
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                part.error = errno;
                part.endsEarly = true;
                break;
            }
            if (n == 0) {
                part.endsEarly = true; // the file shrank meanwhile: take what is there
                break;
            }
            have += static_cast<size_t>(n);
            // A CR as the last byte waits: a LF may follow in the next piece.
            // The bytes before it are searched for the mark in the same pass
            // (the scan may start one byte early, at a byte already seen).
            const size_t mark = ScanBreaks<true>(block, part.scan, have - 1, have, part.sink);
            if (mark != kUnknown || block[have - 1] == 0x1A) {
                have = mark != kUnknown ? mark : have - 1;
                part.endsEarly = true;
                break;
            }
        }
        if (part.endsEarly && part.stopLater)
            part.stopLater->store(true, std::memory_order_relaxed);
        if (part.endsEarly || part.last) {
            FinishLines(block, part.scan, have, part.sink);
            part.done = true;
        }
    } catch (...) {
        part.failure = std::current_exception();
        if (part.stopLater)
            part.stopLater->store(true, std::memory_order_relaxed);
    }
}

void TBvStrings::SetParallelLoadThreshold(size_t bytes)
{
    parallelLoadThreshold.store(std::max<size_t>(bytes, 2));
}

void TBvStrings::SetLoadLineLimit(int32_t lines)
{
    loadLineLimit.store(std::clamp<int32_t>(lines, 1, MaxCapacity));
}

size_t TBvStrings::ParallelLoadThreshold()
{
    return parallelLoadThreshold.load();
}

TBvStrings::TBvStrings() = default;

TBvStrings::~TBvStrings()
{
    Clear();
    std::free(list_);
}

void TBvStrings::ListError() const
{
    throw EListError();
}

std::string_view TBvStrings::SlotText(Slot slot) const
{
    if (slot.bits & kPoolBit)
        return pool_[slot.bits & ~kPoolBit];
    size_t length = static_cast<size_t>(slot.bits >> kLengthShift);
    if (length == 0)
        return {};
    const uint64_t offset = slot.bits & kOffsetMask;
    if (__builtin_expect(length == kLongLength, 0)) {
        auto it = std::lower_bound(longLines_.begin(), longLines_.end(), std::make_pair(offset, uint32_t(0)));
        length = it->second;
    }
    return {block_ + offset, length};
}

TBvStrings::Slot TBvStrings::MakeSlot(std::string_view text)
{
    if (text.empty())
        return Slot{0};
    if (text.size() > kMaxLineLength)
        throw EListError();
    uint64_t index;
    if (!freePool_.empty()) {
        index = freePool_.back();
        pool_[index].assign(text);
        freePool_.pop_back();
    } else {
        pool_.emplace_back(text);
        index = pool_.size() - 1;
    }
    return Slot{index | kPoolBit};
}

void TBvStrings::ReleaseSlot(Slot& slot)
{
    if (slot.bits & kPoolBit) {
        const uint64_t index = slot.bits & ~kPoolBit;
        std::string().swap(pool_[index]);
        freePool_.push_back(index);
    }
    slot = Slot{0};
}

void TBvStrings::Reserve(int32_t n)
{
    if (n == 0) {
        std::free(list_);
        list_ = nullptr;
    } else {
        // realloc lets the final trim of a large load shrink in place; slots
        // past count are never read, so they need no clearing.
        void* grown = std::realloc(list_, static_cast<size_t>(n) * sizeof(Slot));
        if (!grown)
            throw std::bad_alloc();
        list_ = static_cast<Slot*>(grown);
    }
    capacity_ = n;
}

void TBvStrings::GrowIfFull()
{
    if (count_ < capacity_)
        return;
    if (capacity_ >= MaxCapacity)
        ListError();
    Reserve(std::min(capacity_ + GrowBy, MaxCapacity));
}

void TBvStrings::Put(int32_t index, std::string_view text)
{
    loaded_ = {};
    if (index < 0 || index >= count_)
        ListError();
    Slot fresh = MakeSlot(text); // before releasing: text may be this very line
    ReleaseSlot(list_[index]);
    list_[index] = fresh;
}

int32_t TBvStrings::Add(std::string_view text)
{
    loaded_ = {};
    GrowIfFull();
    list_[count_] = MakeSlot(text);
    return count_++;
}

void TBvStrings::Insert(int32_t index, std::string_view text)
{
    loaded_ = {};
    if (index < 0 || index > count_)
        ListError();
    GrowIfFull();
    Slot fresh = MakeSlot(text);
    std::memmove(list_ + index + 1, list_ + index, static_cast<size_t>(count_ - index) * sizeof(Slot));
    list_[index] = fresh;
    ++count_;
}

void TBvStrings::Delete(int32_t index)
{
    loaded_ = {};
    if (index < 0 || index >= count_)
        ListError();
    ReleaseSlot(list_[index]);
    std::memmove(list_ + index, list_ + index + 1, static_cast<size_t>(count_ - index - 1) * sizeof(Slot));
    --count_;
}

void TBvStrings::Exchange(int32_t index1, int32_t index2)
{
    loaded_ = {};
    if (index1 < 0 || index1 >= count_ || index2 < 0 || index2 >= count_)
        ListError();
    if (index1 != index2)
        std::swap(list_[index1], list_[index2]);
}

void TBvStrings::SetCount(int32_t n)
{
    loaded_ = {};
    if (n < 0 || n > MaxCapacity)
        ListError();
    if (n > capacity_)
        SetCapacity(n);
    for (int32_t i = n; i < count_; ++i)
        ReleaseSlot(list_[i]);
    for (int32_t i = count_; i < n; ++i)
        list_[i] = Slot{0};
    count_ = n;
}

void TBvStrings::SetCapacity(int32_t n)
{
    if (n > MaxCapacity || n < count_)
        ListError();
    if (n != capacity_)
        Reserve(n);
}

void TBvStrings::Clear()
{
    loaded_ = {};
    if (capacity_ > 0) {
        count_ = 0;
        Reserve(0);
    }
    FreeBlock();
    std::vector<std::pair<uint64_t, uint32_t>>().swap(longLines_);
    std::deque<std::string>().swap(pool_);
    std::vector<uint64_t>().swap(freePool_);
}

std::string TBvStrings::GetText() const
{
    size_t total = 0;
    for (int32_t i = 0; i < count_; ++i)
        total += SlotText(list_[i]).size() + 2;
    std::string text;
    text.reserve(total);
    for (int32_t i = 0; i < count_; ++i) {
        text.append(SlotText(list_[i]));
        text.append("\r\n");
    }
    return text;
}


void TBvStrings::FreeBlock()
{
    StopCopy();
    if (guarded_) {
        Unguard(block_);
        guarded_ = false;
    }
    if (blockMapped_ > 0)
        ::munmap(block_, blockMapped_);
    else
        std::free(block_);
    block_ = nullptr;
    blockSize_ = 0;
    blockMapped_ = 0;
}

void TBvStrings::SetCopyMapped(bool copy)
{
    copyMapped.store(copy);
}

void TBvStrings::StartCopy()
{
    if (!copyMapped.load())
        return;
    stopCopy_.store(false);
    hurryCopy_.store(false);
    try {
        copier_ = std::thread([this, block = block_, length = blockMapped_] {
            if (CopyMapped(block, length, &stopCopy_, &hurryCopy_))
                Unguard(block);
        });
    } catch (const std::system_error&) {
        // No thread to be had: the block stays mapped, and guarded.
    }
}

void TBvStrings::StopCopy()
{
    if (!copier_.joinable())
        return;
    stopCopy_.store(true);
    copier_.join();
}

void TBvStrings::WaitForOwnBytes() const
{
    hurryCopy_.store(true);
    if (copier_.joinable())
        copier_.join();
}

// Copies the mapped block a chunk at a time into fresh memory and moves
// each copy over its chunk, so the bytes keep their addresses while other
// threads read them.  True when every chunk is the store's own.
bool TBvStrings::CopyMapped(char* block, size_t length, const std::atomic<bool>* stop,
                            const std::atomic<bool>* hurry)
{
    // Not before the layout and the first page: the copy is never waited
    // for, and fresh memory can be slow to come by.
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)), 19);
    for (int waited = 0; waited < kCopyDelayMs && !hurry->load(); waited += 10) {
        if (stop->load())
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    char* own = MapChunkAligned(length);
    if (!own)
        return false;
    ::madvise(own, length, MADV_HUGEPAGE);
    size_t done = 0;
    while (done < length && !stop->load(std::memory_order_relaxed)) {
        const size_t n = std::min(kGuardedChunk, length - done);
        std::memcpy(own + done, block + done, n);
        if (::mremap(own + done, n, n, MREMAP_MAYMOVE | MREMAP_FIXED, block + done) == MAP_FAILED)
            break;
        done += n;
    }
    // What was not moved over the block goes back.
    if (done < length)
        ::munmap(own + done, length - done);
    return done == length;
}

// A large block is mapped, not malloc'd: it can be given huge pages, and a
// load that stops early hands the rest back.
static char* AllocateBlock(size_t size, size_t& mapped)
{
    mapped = 0;
    if (size < kMapAtLeast) {
        void* p = std::malloc(size);
        if (!p)
            throw std::bad_alloc();
        return static_cast<char*>(p);
    }
    const size_t length = PageRound(size);
    void* p = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED)
        throw std::bad_alloc();
    // Huge pages: a 1 GB document is then 512 page faults instead of 262,144.
    ::madvise(p, length, MADV_HUGEPAGE);
    mapped = length;
    return static_cast<char*>(p);
}

// The sink's lines become the store's lines; the slot array is trimmed.
void TBvStrings::AdoptLines(LineSink& sink)
{
    std::free(list_);
    list_ = sink.slots;
    count_ = capacity_ = static_cast<int32_t>(sink.count);
    sink.slots = nullptr;
    sink.count = sink.capacity = 0;
    longLines_ = std::move(sink.longLines);
    Reserve(count_);
    if (blockSize_ == 0) {
        FreeBlock();
    } else if (blockMapped_ > 0 && PageRound(blockSize_) < blockMapped_) {
        const size_t keep = PageRound(blockSize_);
        if (guarded_)
            ShrinkGuarded(block_, keep);
        ::munmap(block_ + keep, blockMapped_ - keep);
        blockMapped_ = keep;
    }
}

// Text rule: CR, LF and CR LF are breaks (LF CR is two); a NUL ends the text.
void TBvStrings::SetText(std::string_view text)
{
    // Copy first: text may be a view of this store.
    const size_t size = text.size();
    size_t mapped = 0;
    char* block = size == 0 ? nullptr : AllocateBlock(size, mapped);
    if (size > 0)
        std::memcpy(block, text.data(), size);
    Clear();
    if (size == 0)
        return;
    block_ = block;
    blockMapped_ = mapped;
    blockSize_ = size;

    LineSink sink;
    const char* data = block_;
    size_t pos = 0;
    try {
        sink.Reserve(std::min<size_t>(size / BytesPerLineEstimate, MaxCapacity));
        while (pos < size && data[pos] != '\0') {
            const size_t start = pos;
            while (pos < size && data[pos] != '\r' && data[pos] != '\n' && data[pos] != '\0')
                ++pos;
            sink.Add(start, pos - start);
            if (pos < size && data[pos] == '\r')
                ++pos;
            if (pos < size && data[pos] == '\n')
                ++pos;
        }
    } catch (...) {
        AdoptLines(sink);
        throw;
    }
    AdoptLines(sink);
}

std::string TBvStrings::GetCommaText() const
{
    std::string text;
    for (int32_t i = 0; i < count_; ++i) {
        if (i > 0)
            text.push_back(',');
        std::string_view line = SlotText(list_[i]);
        bool quote = line.find_first_of(" ,") != std::string_view::npos;
        if (quote)
            text.push_back('"');
        text.append(line);
        if (quote)
            text.push_back('"');
    }
    return text;
}

void TBvStrings::SetCommaText(std::string_view text)
{
    std::string copy(text); // text may be a view of this store
    Clear();
    size_t pos = 0;
    const size_t size = copy.size();
    while (pos < size) {
        size_t start;
        if (copy[pos] == '"') {
            start = ++pos;
            while (pos < size && copy[pos] != '"' && copy[pos] != '\r' && copy[pos] != '\0')
                ++pos;
            Add(std::string_view(copy).substr(start, pos - start));
            if (pos < size) {
                if (copy[pos] == '"')
                    ++pos; // the byte after a closing quote is the separator
                ++pos;
            }
        } else {
            start = pos;
            while (pos < size && copy[pos] != ',' && copy[pos] != '"' && copy[pos] != '\r' && copy[pos] != '\0')
                ++pos;
            Add(std::string_view(copy).substr(start, pos - start));
            if (pos < size)
                ++pos;
        }
    }
}

int32_t TBvStrings::IndexOf(std::string_view text) const
{
    for (int32_t i = 0; i < count_; ++i) {
        if (SlotText(list_[i]) == text)
            return i;
    }
    return -1;
}

bool TBvStrings::Find(std::string_view pattern, int32_t& line, int32_t& column) const
{
    if (pattern.empty())
        return false;
    const char first = pattern[0];
    const char lower = (first >= 'A' && first <= 'Z') ? static_cast<char>(first - 'A' + 'a') : first;
    const char upper = FoldAscii(first);
    if (line < 0)
        line = 0;
    int64_t fromColumn = std::max<int32_t>(column, 1);
    for (; line < count_; ++line, fromColumn = 1) {
        std::string_view text = SlotText(list_[line]);
        if (text.size() < pattern.size())
            continue;
        const int64_t lastColumn = static_cast<int64_t>(text.size() - pattern.size()) + 1;
        for (int64_t col = fromColumn; col <= lastColumn; ++col) {
            char c = text[col - 1];
            if (c != lower && c != upper)
                continue;
            size_t k = 1;
            while (k < pattern.size() && FoldAscii(text[col - 1 + k]) == FoldAscii(pattern[k]))
                ++k;
            if (k == pattern.size()) {
                column = static_cast<int32_t>(col);
                return true;
            }
        }
    }
    line = count_;
    return false;
}

void TBvStrings::AddStrings(const std::vector<std::string>& list)
{
    int64_t wanted = int64_t(count_) + int64_t(list.size());
    if (wanted > MaxCapacity)
        ListError();
    if (wanted > capacity_)
        SetCapacity(static_cast<int32_t>(wanted));
    for (const std::string& item : list)
        Add(item);
}

void TBvStrings::Assign(const std::vector<std::string>& list)
{
    Clear();
    AddStrings(list);
}

void TBvStrings::AssignTo(std::vector<std::string>& list) const
{
    list.clear();
    list.reserve(static_cast<size_t>(count_));
    for (int32_t i = 0; i < count_; ++i)
        list.emplace_back(SlotText(list_[i]));
}

TBvStrings::FileStamp TBvStrings::StampOf(const struct stat& st)
{
    return FileStamp{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino),
                     static_cast<uint64_t>(st.st_size), st.st_mtim.tv_sec, st.st_mtim.tv_nsec, true};
}

TBvStrings::FileStamp TBvStrings::StampOf(int fd)
{
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode))
        return StampOf(st);
    return FileStamp{};
}

bool TBvStrings::HoldsUnchangedFile(const std::string& path) const
{
    if (!loaded_.valid)
        return false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    const FileStamp now = StampOf(fd);
    ::close(fd);
    return now == loaded_;
}

void TBvStrings::LoadFromFile(const std::string& path)
{
    Load(path, SIZE_MAX, true);
}

void TBvStrings::LoadHeadFromFile(const std::string& path, size_t maxBytes)
{
    Load(path, std::max<size_t>(maxBytes, 1), false);
}

void TBvStrings::Load(const std::string& path, size_t maxBytes, bool mayMap)
{
    Clear();
    // O_NONBLOCK so that a FIFO cannot hang the open; anything that is not a
    // regular file is refused before a byte is read.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw EInOutError(ErrnoMessage(path, errno));
    struct FdCloser {
        int fd;
        ~FdCloser()
        {
            if (fd >= 0)
                ::close(fd);
        }
    } closer{fd};

    struct stat st;
    if (::fstat(fd, &st) != 0)
        throw EInOutError(ErrnoMessage(path, errno));
    if (!S_ISREG(st.st_mode))
        throw EInOutError(path + ": not a regular file");

    const size_t fileSize = static_cast<size_t>(st.st_size);
    if (fileSize == 0)
        return;
    if (fileSize > kOffsetMask && maxBytes > kOffsetMask)
        throw EInOutError(path + ": the file is too large");
    // A head read stops at maxBytes and keeps only the lines ended inside it.
    const bool head = fileSize > maxBytes;
    const size_t size = head ? maxBytes : fileSize;
    // Two halves read and split at the same time; the lines that run across
    // the split point are joined afterwards, so the result is the same as a
    // split from the start.
    const bool parallel = !head && size >= ParallelLoadThreshold();
    // A large file is split straight from a mapping (no fresh memory to
    // fill first: on a virtual machine that alone can take seconds), then
    // copied into memory of our own in the background.  Nothing is ever
    // leased or locked: another program may write, truncate or delete the
    // file at any time without waiting for us, and once copied what was
    // loaded stays as it was.
    if (mayMap && parallel)
        block_ = MapGuarded(fd, size);
    const bool mapped = block_ != nullptr;
    if (mapped) {
        blockMapped_ = PageRound(size);
        guarded_ = true;
    } else {
        block_ = AllocateBlock(size, blockMapped_);
    }
    const int readFd = mapped ? -1 : fd;
    LoadPart parts[2];
    std::atomic<bool> firstEndedEarly{false};
    const size_t middle = parallel ? size / 2 : size;
    parts[0].begin = 0;
    parts[0].end = middle;
    parts[0].last = !parallel && !head;
    parts[0].stopLater = &firstEndedEarly;
    parts[1].begin = middle;
    parts[1].end = size;
    parts[1].scan = ScanState{kUnknown, middle, kUnknown};
    parts[1].stop = &firstEndedEarly;

    LineSink& lines = parts[0].sink;
    try {
        for (LoadPart& part : parts)
            part.sink.Reserve((part.end - part.begin) / BytesPerLineEstimate);
    } catch (...) {
        FreeBlock();
        throw;
    }
    if (parallel) {
        HelperThread second([&] { ReadPart(readFd, block_, parts[1]); });
        ReadPart(readFd, block_, parts[0]);
        second.Join();
    } else {
        ReadPart(readFd, block_, parts[0]);
    }

    LoadPart& first = parts[0];
    LoadPart& second = parts[1];
    std::exception_ptr failure = first.failure;
    int readError = first.error;
    blockSize_ = first.limit;
    if (parallel && !first.done && !failure) {
        // The second half counts: the lines from the first half's last break
        // up to the second half's first break, then the second half's lines.
        try {
            const bool secondHasBreak = second.scan.firstCr != kUnknown;
            if (secondHasBreak) {
                ScanBreaks(block_, first.scan, second.scan.firstCr + 1, second.limit, lines);
                if (!lines.Append(second.sink))
                    TooManyLines();
            } else if (second.done) {
                FinishLines(block_, first.scan, second.limit, lines);
            }
        } catch (...) {
            failure = std::current_exception();
        }
        if (!failure)
            failure = second.failure;
        readError = second.error;
        blockSize_ = second.limit;
    }
    AdoptLines(lines);
    if (failure)
        std::rethrow_exception(failure);
    if (readError != 0)
        throw EInOutError(ErrnoMessage(path, readError));
    if (head)
        return;
    // Read whole, and the file did not change while it was read.
    const FileStamp after = StampOf(fd);
    if (mapped && (!after.valid || after.size < size)) {
        // Cut short while it was split: the bytes past its new end read as
        // zeros.  Read what it holds now instead.
        Load(path, maxBytes, false);
        return;
    }
    if (mapped)
        StartCopy();
    const FileStamp before = StampOf(st);
    if (after == before)
        loaded_ = before;
}

void TBvStrings::SaveToFile(const std::string& path) const
{
    // Saving over the file the lines are mapped from would cut the bytes
    // about to be written.
    WaitForOwnBytes();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        throw EInOutError(ErrnoMessage(path, errno));
    bool ok = true;
    for (int32_t i = 0; i < count_ && ok; ++i) {
        std::string_view line = SlotText(list_[i]);
        // An empty line may have no data pointer, and fwrite must not get null.
        ok = (line.empty() || std::fwrite(line.data(), 1, line.size(), file) == line.size()) &&
             std::fwrite("\r\n", 1, 2, file) == 2;
    }
    int error = ok ? 0 : errno;
    if (std::fclose(file) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (!ok)
        throw EInOutError(ErrnoMessage(path, error));
}

void TBvStrings::LoadFromStream(std::istream& stream)
{
    Clear();
    std::string bytes;
    char buffer[65536];
    while (stream.read(buffer, sizeof buffer) || stream.gcount() > 0)
        bytes.append(buffer, static_cast<size_t>(stream.gcount()));
    if (stream.bad())
        throw EInOutError("the stream could not be read");
    if (!bytes.empty())
        SetText(bytes);
}

void TBvStrings::SaveToStream(std::ostream& stream) const
{
    for (int32_t i = 0; i < count_ && stream; ++i) {
        std::string_view line = SlotText(list_[i]);
        stream.write(line.data(), static_cast<std::streamsize>(line.size()));
        stream.write("\r\n", 2);
    }
    if (!stream)
        throw EInOutError("the stream could not be written");
}

} // namespace pelto

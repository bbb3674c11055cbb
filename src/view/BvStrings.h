// TBvStrings: the line store of a TBigView.  Lines are raw CP932 bytes without
// their break.  A loaded file sits in one block and lines are slices of it;
// a line is copied only when it is changed.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <iosfwd>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

struct stat;

namespace pelto {

// UTF-8 of the list error message the program shows.
inline constexpr const char* kListIndexMessage = "インデックスがリストの範囲を超えています";

// An index outside its allowed range; the store is left unchanged.
class EListError : public std::out_of_range {
public:
    explicit EListError(const std::string& message = kListIndexMessage) : std::out_of_range(message) {}
};

// A file or stream that could not be opened, read or written.
class EInOutError : public std::runtime_error {
public:
    explicit EInOutError(const std::string& message) : std::runtime_error(message) {}
};

class TBvStrings {
public:
    static constexpr int32_t MaxCapacity = 0x7FFFFFF;
    static constexpr int32_t GrowBy = 32;
    static constexpr int32_t BytesPerLineEstimate = 28;

    TBvStrings();
    ~TBvStrings();
    TBvStrings(const TBvStrings&) = delete;
    TBvStrings& operator=(const TBvStrings&) = delete;

    int32_t Count() const { return count_; }
    int32_t Capacity() const { return capacity_; }

    // The view stays valid until the next change of the store.
    std::string_view Get(int32_t index) const
    {
        if (index < 0 || index >= count_)
            ListError();
        return GetInRange(index);
    }
    // Get for an index known to be in 0..Count()-1, for loops over many lines.
    std::string_view GetInRange(int32_t index) const
    {
        // Most lines are short slices of the loaded block.
        const uint64_t bits = list_[index].bits;
        const uint64_t length = bits >> kLengthShift;
        if (length < kLongLength) // neither a pool entry nor a long line
            return {length != 0 ? block_ + (bits & kOffsetMask) : nullptr, static_cast<size_t>(length)};
        return SlotText(list_[index]);
    }
    int32_t Length(int32_t index) const { return static_cast<int32_t>(Get(index).size()); }
    void Put(int32_t index, std::string_view text);
    int32_t Add(std::string_view text);
    void Insert(int32_t index, std::string_view text);
    void Delete(int32_t index);
    void Exchange(int32_t index1, int32_t index2);
    void SetCount(int32_t n);
    void SetCapacity(int32_t n);
    void Clear();

    std::string GetText() const;              // every line followed by CR LF
    void SetText(std::string_view text);      // CR, LF, CR LF break; NUL ends the text
    std::string GetCommaText() const;
    void SetCommaText(std::string_view text);
    int32_t IndexOf(std::string_view text) const;
    // Forward search ignoring ASCII case from (column 1-based, line 0-based).
    // Not found leaves line = Count().
    bool Find(std::string_view pattern, int32_t& line, int32_t& column) const;

    void AddStrings(const std::vector<std::string>& list);
    void Assign(const std::vector<std::string>& list);
    void AssignTo(std::vector<std::string>& list) const;

    // CR or CR LF ends a line, a lone LF stays in its line, 0x1A ends the file.
    void LoadFromFile(const std::string& path);
    // The complete lines among the first maxBytes bytes of path, by the same
    // rule (the whole file when it is no longer): enough to show its first
    // page while the rest is still being read.
    void LoadHeadFromFile(const std::string& path, size_t maxBytes);
    void SaveToFile(const std::string& path) const;
    void LoadFromStream(std::istream& stream);
    void SaveToStream(std::ostream& stream) const;

    // Files of at least this many bytes are split by two threads straight
    // from a mapping of the file (the result is the same either way).
    // Mainly for tests.
    static void SetParallelLoadThreshold(size_t bytes);
    static size_t ParallelLoadThreshold();
    // Whether a mapped file is copied into memory of the store's own, in the
    // background half a second after its load (the default).  Until then the
    // bytes past a new end of a file cut short meanwhile read as zeros.  A
    // program that reads a file once and ends need not copy it.
    static void SetCopyMapped(bool copy);
    // Waits until the loaded bytes are the store's own (or stay mapped).
    void WaitForOwnBytes() const;
    // The most lines a load takes before it fails (MaxCapacity unless lowered,
    // so tests reach the limit without a file of 134 million lines).
    static void SetLoadLineLimit(int32_t lines);

    // Whether path is still the file the last LoadFromFile read whole, as it
    // was then (same file, size and modification time) and nothing changed
    // the lines since: reading it again would give the same lines.
    bool HoldsUnchangedFile(const std::string& path) const;

private:
    // One slot: 8 bytes.  The top bit set: an entry of the pool of changed
    // lines (its index below).  Clear: a slice of the loaded block, 40 bits
    // of offset and 23 of length; a line of kLongLength bytes or more keeps
    // its length in longLines_.
    struct Slot {
        uint64_t bits;
    };
    static constexpr int kLengthShift = 40;
    static constexpr uint64_t kOffsetMask = (uint64_t(1) << kLengthShift) - 1;
    static constexpr uint64_t kLongLength = 0x7FFFFF; // 23 bits; this value says "look it up"
    static_assert(sizeof(Slot) == 8);
    struct LineSink;
    struct LoadPart;

    [[noreturn]] void ListError() const;
    void Reserve(int32_t n);                 // resize the slot array, no checks
    void ReleaseSlot(Slot& slot);
    Slot MakeSlot(std::string_view text);
    std::string_view SlotText(Slot slot) const;
    void GrowIfFull();
    void FreeBlock();
    void AdoptLines(LineSink& sink);
    static void ReadPart(int fd, char* block, LoadPart& part);
    void Load(const std::string& path, size_t maxBytes, bool mayMap);
    void StartCopy();
    void StopCopy();
    static bool CopyMapped(char* block, size_t length, const std::atomic<bool>* stop,
                           const std::atomic<bool>* hurry);

    struct FileStamp {
        uint64_t device = 0, inode = 0, size = 0;
        int64_t seconds = 0, nanoseconds = 0;
        bool valid = false;
        bool operator==(const FileStamp&) const = default;
    };
    static FileStamp StampOf(const struct stat& st);
    static FileStamp StampOf(int fd);  // invalid unless a regular file
    FileStamp loaded_;        // the file the lines came from, while they are unchanged

    Slot* list_ = nullptr;    // malloc'd, so a trim can shrink in place
    int32_t count_ = 0;
    int32_t capacity_ = 0;

    char* block_ = nullptr;   // bytes of the last load
    size_t blockSize_ = 0;    // bytes in use
    size_t blockMapped_ = 0;  // length of the mapping; 0 when block_ is malloc'd
    bool guarded_ = false;    // block_ maps the file (see GuardedMapping.h)
    mutable std::thread copier_;  // makes a mapped block the store's own memory
    std::atomic<bool> stopCopy_{false};
    mutable std::atomic<bool> hurryCopy_{false};  // the copy starts at once
    std::vector<std::pair<uint64_t, uint32_t>> longLines_; // (offset, length), by offset
    std::deque<std::string> pool_;  // changed lines; deque keeps views stable
    std::vector<uint64_t> freePool_;
};

} // namespace pelto

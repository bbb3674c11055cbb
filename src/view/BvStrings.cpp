#include "view/BvStrings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <istream>
#include <new>
#include <ostream>

namespace pelto {

namespace {

constexpr uint32_t kPoolBit = 0x80000000u;
constexpr size_t kMaxLineLength = 0x7FFFFFFF; // columns are 32-bit

std::string ErrnoMessage(const std::string& path, int error)
{
    return path + ": " + std::strerror(error);
}

inline char FoldAscii(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

} // namespace

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

std::string_view TBvStrings::SlotText(const Slot& slot) const
{
    size_t length = slot.lengthAndKind & ~kPoolBit;
    if (length == 0)
        return {};
    if (slot.lengthAndKind & kPoolBit)
        return pool_[slot.where];
    return {block_.get() + slot.where, length};
}

TBvStrings::Slot TBvStrings::MakeSlot(std::string_view text)
{
    if (text.empty())
        return Slot{0, 0};
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
    return Slot{index, static_cast<uint32_t>(text.size()) | kPoolBit};
}

void TBvStrings::ReleaseSlot(Slot& slot)
{
    if ((slot.lengthAndKind & kPoolBit) && (slot.lengthAndKind & ~kPoolBit) != 0) {
        std::string().swap(pool_[slot.where]);
        freePool_.push_back(slot.where);
    }
    slot = Slot{0, 0};
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

std::string_view TBvStrings::Get(int32_t index) const
{
    if (index < 0 || index >= count_)
        ListError();
    return SlotText(list_[index]);
}

void TBvStrings::Put(int32_t index, std::string_view text)
{
    if (index < 0 || index >= count_)
        ListError();
    Slot fresh = MakeSlot(text); // before releasing: text may be this very line
    ReleaseSlot(list_[index]);
    list_[index] = fresh;
}

int32_t TBvStrings::Add(std::string_view text)
{
    GrowIfFull();
    list_[count_] = MakeSlot(text);
    return count_++;
}

void TBvStrings::Insert(int32_t index, std::string_view text)
{
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
    if (index < 0 || index >= count_)
        ListError();
    ReleaseSlot(list_[index]);
    std::memmove(list_ + index, list_ + index + 1, static_cast<size_t>(count_ - index - 1) * sizeof(Slot));
    --count_;
}

void TBvStrings::Exchange(int32_t index1, int32_t index2)
{
    if (index1 < 0 || index1 >= count_ || index2 < 0 || index2 >= count_)
        ListError();
    if (index1 != index2)
        std::swap(list_[index1], list_[index2]);
}

void TBvStrings::SetCount(int32_t n)
{
    if (n < 0 || n > MaxCapacity)
        ListError();
    if (n > capacity_)
        SetCapacity(n);
    for (int32_t i = n; i < count_; ++i)
        ReleaseSlot(list_[i]);
    for (int32_t i = count_; i < n; ++i)
        list_[i] = Slot{0, 0};
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
    if (capacity_ > 0) {
        count_ = 0;
        Reserve(0);
    }
    block_.reset();
    blockSize_ = 0;
    std::deque<std::string>().swap(pool_);
    std::vector<uint64_t>().swap(freePool_);
}

std::string TBvStrings::GetText() const
{
    size_t total = 0;
    for (int32_t i = 0; i < count_; ++i)
        total += (list_[i].lengthAndKind & ~kPoolBit) + 2;
    std::string text;
    text.reserve(total);
    for (int32_t i = 0; i < count_; ++i) {
        text.append(SlotText(list_[i]));
        text.append("\r\n");
    }
    return text;
}

void TBvStrings::AdoptBlock(std::unique_ptr<char[]> block, size_t size)
{
    block_ = std::move(block);
    blockSize_ = size;
}

void TBvStrings::AddSlice(size_t offset, size_t length)
{
    // A line longer than a column can count is kept, cut into pieces.
    while (length > kMaxLineLength) {
        AddSlice(offset, kMaxLineLength);
        offset += kMaxLineLength;
        length -= kMaxLineLength;
    }
    if (count_ == capacity_) {
        if (capacity_ >= MaxCapacity)
            throw EInOutError("the file has more than 134217727 lines");
        // The estimate was too small: grow in larger steps while loading; the
        // final trim makes the capacity equal the count either way.
        int64_t grown = std::max<int64_t>(capacity_ + GrowBy, capacity_ + int64_t(capacity_) / 4);
        Reserve(static_cast<int32_t>(std::min<int64_t>(grown, MaxCapacity)));
    }
    list_[count_++] = length == 0 ? Slot{0, 0} : Slot{offset, static_cast<uint32_t>(length)};
}

// File rule: CR or CR LF ends a line; a lone LF is an ordinary byte.  Adds
// the lines complete within block bytes [lineStart, limit); a CR as the very
// last byte waits for the next piece unless atEnd (a LF may follow).  With
// atEnd the rest is the last line, which needs no break.  scanFrom keeps the
// search going where it stopped, so a long line is scanned once.
void TBvStrings::AddFileLines(size_t& lineStart, size_t& scanFrom, size_t limit, bool atEnd)
{
    const char* data = block_.get();
    while (scanFrom < limit) {
        const char* cr = static_cast<const char*>(std::memchr(data + scanFrom, '\r', limit - scanFrom));
        if (!cr) {
            scanFrom = limit;
            break;
        }
        const size_t crPos = static_cast<size_t>(cr - data);
        if (crPos + 1 == limit && !atEnd) {
            scanFrom = crPos;
            break;
        }
        AddSlice(lineStart, crPos - lineStart);
        lineStart = crPos + 1;
        if (lineStart < limit && data[lineStart] == '\n')
            ++lineStart;
        scanFrom = lineStart;
    }
    if (atEnd && lineStart < limit) {
        AddSlice(lineStart, limit - lineStart);
        lineStart = scanFrom = limit;
    }
}

// Text rule: CR, LF and CR LF are breaks (LF CR is two); a NUL ends the text.
void TBvStrings::SplitBlockTextRule(size_t size)
{
    const char* data = block_.get();
    size_t pos = 0;
    while (pos < size && data[pos] != '\0') {
        size_t start = pos;
        while (pos < size && data[pos] != '\r' && data[pos] != '\n' && data[pos] != '\0')
            ++pos;
        AddSlice(start, pos - start);
        if (pos < size && data[pos] == '\r')
            ++pos;
        if (pos < size && data[pos] == '\n')
            ++pos;
    }
}

void TBvStrings::SetText(std::string_view text)
{
    // Copy first: text may be a view of this store.
    std::unique_ptr<char[]> block(text.empty() ? nullptr : new char[text.size()]);
    if (!text.empty())
        std::memcpy(block.get(), text.data(), text.size());
    size_t size = text.size();
    Clear();
    if (size == 0)
        return;
    AdoptBlock(std::move(block), size);
    SetCapacity(static_cast<int32_t>(std::min<size_t>(size / BytesPerLineEstimate, MaxCapacity)));
    SplitBlockTextRule(size);
    SetCapacity(count_);
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
        if ((list_[i].lengthAndKind & ~kPoolBit) == text.size() && SlotText(list_[i]) == text)
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

void TBvStrings::LoadFromFile(const std::string& path)
{
    Clear();
    // O_NONBLOCK so that a FIFO cannot hang the open; anything that is not a
    // regular file is refused before a byte is read.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw EInOutError(ErrnoMessage(path, errno));
    struct FdCloser {
        int fd;
        ~FdCloser() { ::close(fd); }
    } closer{fd};

    struct stat st;
    if (::fstat(fd, &st) != 0)
        throw EInOutError(ErrnoMessage(path, errno));
    if (!S_ISREG(st.st_mode))
        throw EInOutError(path + ": not a regular file");

    const size_t size = static_cast<size_t>(st.st_size);
    if (size == 0)
        return;
    AdoptBlock(std::unique_ptr<char[]>(new char[size]), size);
    SetCapacity(static_cast<int32_t>(std::min<size_t>(size / BytesPerLineEstimate, MaxCapacity)));

    // Read a piece at a time and split it while it is still in the cache;
    // reading stops at the end-of-file mark 0x1A.
    constexpr size_t kPiece = size_t(256) << 10;
    size_t got = 0;
    size_t lineStart = 0;
    size_t scanFrom = 0;
    int readError = 0;
    bool marked = false;
    try {
        while (got < size && !marked) {
            ssize_t n = ::read(fd, block_.get() + got, std::min(kPiece, size - got));
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                readError = errno;
                break;
            }
            if (n == 0)
                break; // the file shrank meanwhile: take what is there
            const char* mark = static_cast<const char*>(std::memchr(block_.get() + got, 0x1A, static_cast<size_t>(n)));
            if (mark) {
                marked = true;
                got = static_cast<size_t>(mark - block_.get());
            } else {
                got += static_cast<size_t>(n);
            }
            AddFileLines(lineStart, scanFrom, got, false);
        }
        AddFileLines(lineStart, scanFrom, got, true);
    } catch (...) {
        SetCapacity(count_);
        throw;
    }
    blockSize_ = got;
    SetCapacity(count_);
    if (readError != 0)
        throw EInOutError(ErrnoMessage(path, readError));
}

void TBvStrings::SaveToFile(const std::string& path) const
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        throw EInOutError(ErrnoMessage(path, errno));
    bool ok = true;
    for (int32_t i = 0; i < count_ && ok; ++i) {
        std::string_view line = SlotText(list_[i]);
        ok = std::fwrite(line.data(), 1, line.size(), file) == line.size() &&
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

#include "GenLog.h"

#include "GenLogWords.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <memory>

namespace genlog {
namespace {

// splitmix64: fixed arithmetic, so a seed gives the same log on every platform
// (the standard distributions are free to differ between libraries).
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next()
    {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // 0 .. bound-1
    std::uint32_t below(std::uint32_t bound) { return static_cast<std::uint32_t>((next() >> 32) % bound); }
    std::uint32_t between(std::uint32_t low, std::uint32_t high) { return low + below(high - low + 1); }
    bool percent(std::uint32_t chance) { return below(100) < chance; }
    bool perMille(std::uint32_t chance) { return below(1000) < chance; }
    template <std::size_t N>
    std::string_view pick(const std::string_view (&words)[N]) { return words[below(N)]; }

private:
    std::uint64_t state_;
};

enum class HeaderForm { Slash, TwoLine, Bracket };

constexpr std::size_t kFlushAt = std::size_t{8} << 20;
constexpr std::uint32_t kMaxPostNumber = 99999;
constexpr std::string_view kAsciiWords[] = {
    "RS-232C", "MS-DOS", "9600bps", "14400bps", "PC-9801", "X68000", "BASIC", "LHA",
    "Windows3.1", "CONFIG.SYS", "AUTOEXEC.BAT", "ASCII", "FAX", "OK", "ID",
};

class Writer {
public:
    Writer(const Options& options, const Sink& sink) : options_(options), sink_(sink), random_(options.seed)
    {
        buffer_.reserve(kFlushAt + (std::size_t{256} << 10));
        postsAllowed_ = options.postLimit;
        if (options.postLimit == 0 && options.sizeLimit == 0)
            postsAllowed_ = 300;
        startRoom();
    }

    Summary run()
    {
        while (!done()) {
            writeSession();
        }
        flush();
        summary_.bytes = written_;
        return summary_;
    }

private:
    bool done() const
    {
        if (!summary_.complete)
            return true;
        if (postsAllowed_ != 0 && summary_.posts >= postsAllowed_)
            return true;
        return options_.sizeLimit != 0 && written_ + buffer_.size() >= options_.sizeLimit;
    }

    // --- output ---------------------------------------------------------------
    void put(std::string_view bytes) { buffer_.append(bytes); }
    void put(char byte) { buffer_.push_back(byte); }
    void putNumber(std::uint64_t value, int width, char fill)
    {
        char digits[24];
        char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
        for (int pad = width - static_cast<int>(end - digits); pad > 0; --pad)
            buffer_.push_back(fill);
        buffer_.append(digits, end);
    }
    std::size_t column() const { return buffer_.size() - lineStart_; }
    // Blank-fills the current line until it holds `width` bytes.
    void padTo(std::size_t width)
    {
        while (column() < width)
            buffer_.push_back(' ');
    }
    void endLine()
    {
        buffer_.append("\r\n");
        ++summary_.lines;
        if (buffer_.size() >= kFlushAt)
            flush();
        lineStart_ = buffer_.size();
    }
    void flush()
    {
        if (!buffer_.empty() && summary_.complete) {
            if (!sink_(buffer_.data(), buffer_.size()))
                summary_.complete = false;
            written_ += buffer_.size();
        }
        buffer_.clear();
        lineStart_ = 0;
    }

    // --- pieces of a post ---------------------------------------------------
    void putDate(char separator)
    {
        putNumber(year_ % 100, 2, '0');
        put(separator);
        putNumber(month_, 2, '0');
        put(separator);
        putNumber(day_, 2, '0');
    }
    void putTime()
    {
        putNumber(minuteOfDay_ / 60, 2, '0');
        put(':');
        putNumber(minuteOfDay_ % 60, 2, '0');
    }
    void advanceClock()
    {
        minuteOfDay_ += random_.between(1, 300);
        while (minuteOfDay_ >= 24 * 60) {
            minuteOfDay_ -= 24 * 60;
            if (++day_ > 28) {
                day_ = 1;
                if (++month_ > 12) {
                    month_ = 1;
                    ++year_;
                }
            }
        }
    }
    void putUserId()
    {
        for (int letter = 0; letter < 3; ++letter)
            put(static_cast<char>('A' + random_.below(26)));
        putNumber(random_.below(100000), 5, '0');
    }
    void putName()
    {
        put(random_.pick(kFamilyNames));
        put(random_.pick(kGivenNames));
    }

    std::string_view word()
    {
        switch (random_.below(10)) {
        case 0: case 1: case 2: case 3: return random_.pick(kNouns);
        case 4: case 5: return random_.pick(kKatakana);
        case 6: return random_.pick(kHalfKana);
        case 7: return random_.below(3) == 0 ? random_.pick(kAsciiWords) : random_.pick(kNouns);
        default: return random_.pick(kKatakana);
        }
    }

    // One sentence of plausible word order; never starts with an ASCII word, so a
    // body line can never look like a post number.
    void putSentence()
    {
        if (random_.percent(20)) {
            put(random_.pick(kConnectives));
            put("\x81\x41");  // ideographic comma
        }
        put(random_.percent(50) ? random_.pick(kNouns) : random_.pick(kKatakana));
        for (std::uint32_t clauses = random_.between(1, 3); clauses > 0; --clauses) {
            put(random_.pick(kParticles));
            put(word());
        }
        put(random_.pick(kParticles));
        put(random_.pick(kVerbs));
        if (random_.percent(10))
            put(random_.pick(kSymbols));
        put(random_.percent(85) ? std::string_view("\x81\x42") : std::string_view("\x81\x49"));  // 。 or ！
    }

    void putBodyLine(std::size_t width)
    {
        if (random_.percent(6)) {
            // a small table: tab-separated columns
            put(random_.pick(kNouns));
            put('\t');
            putNumber(random_.below(10000), 0, ' ');
            put('\t');
            put(random_.pick(kKatakana));
            if (random_.percent(50)) {
                put('\t');
                put(random_.pick(kHalfKana));
            }
            endLine();
            return;
        }
        if (random_.percent(15))
            put(kFullBlank);
        while (column() < width)
            putSentence();
        endLine();
    }

    void putLongLine(std::size_t length)
    {
        put(kFullBlank);
        while (column() < length) {
            putSentence();
            if (random_.percent(5))
                put('\t');
        }
        endLine();
    }

    std::uint32_t bodyLines() { return random_.between(2, 8) + (random_.percent(30) ? random_.between(5, 20) : 0); }

    void putBody(bool isReply, std::uint32_t lines)
    {
        endLine();  // blank line between header and text
        if (isReply && random_.percent(60)) {
            for (std::uint32_t quoted = random_.between(1, 3); quoted > 0; --quoted) {
                put(kQuote);
                put(' ');
                putSentence();
                endLine();
            }
            endLine();
        }

        std::uint32_t longAt = random_.perMille(30) ? random_.below(lines) : lines;
        bool huge = random_.perMille(1);
        for (std::uint32_t line = 0; line < lines; ++line) {
            if (line == longAt)
                putLongLine(huge ? random_.between(20000, 120000) : random_.between(300, 4000));
            else if (random_.percent(12))
                endLine();  // paragraph break
            else
                putBodyLine(random_.between(40, 76));
        }
        endLine();
    }

    void putPrompt()
    {
        put(kPrompt);
        endLine();
    }

    // --- headers ------------------------------------------------------------
    // Column layout (1-based): 1-5 post number, 6 "/", 7-11 last number of the
    // room, 12 blank, 13-20 user id, then name and title. The next line holds date,
    // time and line count in exactly 21 bytes; a reply continues it with the number
    // it answers in columns 24-28.
    void putSlashPost(std::uint32_t number, std::uint32_t roomLast)
    {
        std::uint32_t answered = 0;
        if (random_.percent(55) && !roomPosts_.empty()) {
            std::size_t recent = std::min<std::size_t>(roomPosts_.size(), 40);
            answered = roomPosts_[roomPosts_.size() - 1 - random_.below(static_cast<std::uint32_t>(recent))];
            // now and then a post answers one from before the capture began
            if (random_.percent(8) && roomPosts_.front() > 1)
                answered = random_.between(1, roomPosts_.front() - 1);
        }
        std::uint32_t topic = answered != 0 && topicOf_[answered] != 0xFFFF ? topicOf_[answered]
                                                                            : random_.below(std::size(kTopics));
        topicOf_[number] = static_cast<std::uint16_t>(topic);

        putNumber(number, 5, '0');
        put('/');
        putNumber(roomLast, 5, '0');
        put(' ');
        putUserId();
        put("  ");
        putName();
        padTo(34);
        if (answered != 0)
            put(kRe);
        put(kTopics[topic]);
        endLine();

        std::uint32_t lines = bodyLines();
        put(' ');
        putDate('/');
        put(' ');
        putTime();
        put(" (");
        putNumber(lines, 3, ' ');
        put(')');
        if (answered != 0) {
            put("  ");
            putNumber(answered, 5, '0');
            put(kCommentSuffix);
        } else if (random_.percent(50)) {
            put("       ");
            put(kNewPost);
        }
        endLine();
        roomPosts_.push_back(number);
        putBody(answered != 0, lines);
    }

    // Columns: 1-2 room number, 4 " " or "#", 26-30 post number, 41-48 date; the
    // title follows on the next line.
    void putTwoLinePost(std::uint32_t room, std::uint32_t number)
    {
        putNumber(room, 2, ' ');
        put(' ');
        put(random_.percent(20) ? '#' : ' ');
        putUserId();
        put(' ');
        putName();
        padTo(25);
        putNumber(number, 5, ' ');
        std::uint32_t lines = bodyLines();
        put(" (");
        putNumber(lines, 3, ' ');
        put(')');
        padTo(40);
        putDate(random_.percent(80) ? '/' : '-');
        put(' ');
        putTime();
        endLine();
        put("  ");
        put(random_.pick(kTopics));
        endLine();
        putBody(false, lines);
    }

    // Columns: 1-3 room number, 4-6 "  [", 7-25 user, 26 "]", 27-31 post number.
    void putBracketPost(std::uint32_t room, std::uint32_t number)
    {
        putNumber(room, 3, ' ');
        put("  [");
        putUserId();
        put(' ');
        putName();
        padTo(25);
        put(']');
        putNumber(number, 5, ' ');
        put(' ');
        putDate('/');
        put(' ');
        putTime();
        put("  ");
        put(random_.pick(kTopics));
        endLine();
        putBody(false, bodyLines());
    }

    // Captures rarely begin at a room's first post, so some replies answer posts
    // the log does not hold.
    void startRoom()
    {
        slashNext_ = random_.between(1, 900);
        roomPosts_.clear();
        std::fill(std::begin(topicOf_), std::end(topicOf_), std::uint16_t{0xFFFF});
    }

    // A session is one reading of one room: a banner, then posts, each followed
    // by the conference prompt.
    void writeSession()
    {
        std::uint32_t kind = random_.below(10);
        HeaderForm form = kind < 6 ? HeaderForm::Slash : (kind < 8 ? HeaderForm::TwoLine : HeaderForm::Bracket);
        std::uint32_t count = form == HeaderForm::Slash ? random_.between(10, 60) : random_.between(3, 15);
        std::uint32_t* next = form == HeaderForm::Slash     ? &slashNext_
                              : form == HeaderForm::TwoLine ? &twoLineNext_
                                                            : &bracketNext_;
        if (*next + count - 1 > kMaxPostNumber) {
            // the room is full: the capture moves on to a new room
            if (form == HeaderForm::Slash) {
                ++slashRoom_;
                startRoom();
            } else {
                *next = 1;
            }
        }
        std::uint32_t room = form == HeaderForm::Slash ? slashRoom_ : random_.between(1, 99);
        std::uint32_t first = *next;
        std::uint32_t last = first + count - 1;
        std::uint32_t roomLast = std::min(kMaxPostNumber, last + random_.below(5));

        if (written_ + buffer_.size() != 0)
            endLine();
        put(kRoomWord);
        put(' ');
        putNumber(room, 0, ' ');
        put(' ');
        put(kForumWord);
        endLine();
        put(kReadingFrom);
        putNumber(first, 5, '0');
        put('-');
        putNumber(last, 5, '0');
        endLine();
        endLine();
        putPrompt();

        for (std::uint32_t number = first; number <= last && !done(); ++number) {
            advanceClock();
            switch (form) {
            case HeaderForm::Slash: putSlashPost(number, roomLast); break;
            case HeaderForm::TwoLine: putTwoLinePost(room % 100 == 0 ? 1 : room % 100, number); break;
            case HeaderForm::Bracket: putBracketPost(room, number); break;
            }
            putPrompt();
            ++summary_.posts;
            *next = number + 1;
        }
    }

    const Options& options_;
    const Sink& sink_;
    Random random_;
    std::string buffer_;
    std::size_t lineStart_ = 0;
    std::uint64_t written_ = 0;
    std::uint64_t postsAllowed_ = 0;
    Summary summary_;

    std::uint32_t year_ = 1995, month_ = 4, day_ = 1, minuteOfDay_ = 9 * 60;
    std::uint32_t slashNext_ = 1, twoLineNext_ = 1, bracketNext_ = 1, slashRoom_ = 1;
    std::vector<std::uint32_t> roomPosts_;
    std::uint16_t topicOf_[kMaxPostNumber + 1];  // topic of each post number of the room
};

} // namespace

std::optional<std::uint64_t> parseByteCount(std::string_view text)
{
    std::uint64_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end == text.data())
        return std::nullopt;
    std::string_view suffix(end, static_cast<std::size_t>(text.data() + text.size() - end));
    unsigned shift = 0;
    if (suffix == "K" || suffix == "k")
        shift = 10;
    else if (suffix == "M" || suffix == "m")
        shift = 20;
    else if (suffix == "G" || suffix == "g")
        shift = 30;
    else if (!suffix.empty())
        return std::nullopt;
    if (value == 0 || value > (UINT64_MAX >> shift))
        return std::nullopt;
    return value << shift;
}

std::optional<Options> parseArguments(const std::vector<std::string>& args, std::string& error)
{
    Options options;
    bool haveOut = false;
    for (std::size_t index = 0; index < args.size(); ++index) {
        const std::string& arg = args[index];
        auto value = [&]() -> const std::string* {
            if (index + 1 >= args.size()) {
                error = arg + " needs a value";
                return nullptr;
            }
            return &args[++index];
        };
        if (arg == "--size") {
            const std::string* text = value();
            if (!text)
                return std::nullopt;
            auto bytes = parseByteCount(*text);
            if (!bytes) {
                error = "bad --size value: " + *text;
                return std::nullopt;
            }
            options.sizeLimit = *bytes;
        } else if (arg == "--posts" || arg == "--seed") {
            const std::string* text = value();
            if (!text)
                return std::nullopt;
            std::uint64_t number = 0;
            auto [end, ec] = std::from_chars(text->data(), text->data() + text->size(), number);
            if (ec != std::errc() || end != text->data() + text->size() || text->empty()
                || (arg == "--posts" && number == 0)) {
                error = "bad " + arg + " value: " + *text;
                return std::nullopt;
            }
            (arg == "--posts" ? options.postLimit : options.seed) = number;
        } else if (arg.size() > 1 && arg[0] == '-') {
            error = "unknown option: " + arg;
            return std::nullopt;
        } else if (haveOut) {
            error = "more than one output file given";
            return std::nullopt;
        } else {
            options.outPath = arg;
            haveOut = true;
        }
    }
    if (!haveOut) {
        error = "no output file given";
        return std::nullopt;
    }
    return options;
}

Summary generate(const Options& options, const Sink& sink)
{
    // The writer holds a table per post number; keep it off the stack.
    auto writer = std::make_unique<Writer>(options, sink);
    return writer->run();
}

std::string_view usage()
{
    return "usage: pelto-genlog [--size BYTES[K|M|G]] [--posts N] [--seed S] OUT\n"
           "Writes a forum-conference log in CP932 with CR LF line ends to OUT (\"-\": standard output).\n"
           "Stops after N posts or once BYTES are written, whichever comes first (default: 300 posts).\n";
}

} // namespace genlog

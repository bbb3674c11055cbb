#include <chrono>
#include <cstdio>
#include <cstdlib>
// pelto-cli: the core of the viewer for scripts, tests and benchmarks.
// A bad argument or an unreadable FILE gives one line on stderr, status 2 and
// nothing on stdout.

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "cli/Output.h"
#include "cli/FindCommand.h"
#include "cli/ForumCommands.h"
#include "cli/GrepCommand.h"
#include "view/BvStrings.h"
#include "view/RowTable.h"

namespace {

constexpr int kExitBadUse = 2;
constexpr int32_t kDefaultWrap = 80; // as the main window wraps

// A failure that ends the command with status 2.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Layout {
    bool wordWrap = true;
    int32_t wrapByte = kDefaultWrap;
};

// Arguments after the subcommand: options with their values, then operands.
class Args {
public:
    Args(std::vector<std::string_view> items) : items_(std::move(items)) {}

    // Parses the options a subcommand accepts; handlers get each option name
    // and, for options that take one, its value.
    void Parse(const std::vector<std::string_view>& flags, const std::vector<std::string_view>& valued,
               const std::function<void(std::string_view, std::string_view)>& onOption)
    {
        bool optionsDone = false;
        for (size_t i = 0; i < items_.size(); ++i) {
            std::string_view item = items_[i];
            if (optionsDone || item.size() < 2 || item[0] != '-') {
                operands_.push_back(item);
                continue;
            }
            if (item == "--") {
                optionsDone = true;
                continue;
            }
            std::string_view name = item;
            std::string_view value;
            bool hasValue = false;
            if (auto eq = item.find('='); eq != std::string_view::npos) {
                name = item.substr(0, eq);
                value = item.substr(eq + 1);
                hasValue = true;
            }
            if (std::find(flags.begin(), flags.end(), name) != flags.end()) {
                if (hasValue)
                    throw UsageError(std::string(name) + " takes no value");
                onOption(name, {});
            } else if (std::find(valued.begin(), valued.end(), name) != valued.end()) {
                if (!hasValue) {
                    if (i + 1 >= items_.size())
                        throw UsageError(std::string(name) + " needs a value");
                    value = items_[++i];
                }
                onOption(name, value);
            } else {
                throw UsageError("unknown option " + std::string(item));
            }
        }
    }
    const std::vector<std::string_view>& Operands() const { return operands_; }

private:
    std::vector<std::string_view> items_;
    std::vector<std::string_view> operands_;
};

int32_t PositiveNumber(std::string_view option, std::string_view text)
{
    int32_t value = 0;
    auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size() || value < 1)
        throw UsageError(std::string(option) + " needs a positive whole number, not \"" + std::string(text) + "\"");
    return value;
}

std::string SingleFile(const Args& args)
{
    if (args.Operands().size() != 1)
        throw UsageError(args.Operands().empty() ? "FILE is missing" : "only one FILE is accepted");
    return std::string(args.Operands()[0]);
}

// Options shared by the commands that lay rows out.
Layout ParseLayoutCommand(Args& args, std::string& file)
{
    Layout layout;
    bool wrapGiven = false;
    bool nowrapGiven = false;
    args.Parse({"--nowrap"}, {"--wrap"}, [&](std::string_view name, std::string_view value) {
        if (name == "--nowrap") {
            nowrapGiven = true;
            layout.wordWrap = false;
        } else {
            wrapGiven = true;
            layout.wordWrap = true;
            layout.wrapByte = PositiveNumber(name, value);
        }
    });
    if (wrapGiven && nowrapGiven)
        throw UsageError("--wrap and --nowrap exclude each other");
    file = SingleFile(args);
    return layout;
}

void LoadAndLayout(const std::string& file, const Layout& layout, pelto::TBvStrings& store, pelto::RowTable& rows)
{
    try {
        store.LoadFromFile(file);
    } catch (const pelto::EInOutError& error) {
        throw UsageError(error.what());
    }
    auto t0 = std::chrono::steady_clock::now();
    rows.LayoutFrom(0, store, layout.wordWrap, layout.wrapByte, nullptr);
    if (getenv("PT")) fprintf(stderr, "layout %.1f\n", std::chrono::duration<double,std::milli>(std::chrono::steady_clock::now()-t0).count());
}

int CommandStats(Args& args, Output& out)
{
    std::string file;
    Layout layout = ParseLayoutCommand(args, file);
    pelto::TBvStrings store;
    pelto::RowTable rows;
    LoadAndLayout(file, layout, store, rows);
    out.AppendNumber(store.Count());
    out.Append(" ");
    out.AppendNumber(rows.RowCount());
    out.Append("\n");
    return 0;
}

int CommandRows(Args& args, Output& out)
{
    std::string file;
    Layout layout = ParseLayoutCommand(args, file);
    pelto::TBvStrings store;
    pelto::RowTable rows;
    LoadAndLayout(file, layout, store, rows);
    for (int32_t row = 0; row < rows.RowCount(); ++row) {
        pelto::RowEntry entry = rows.Row(row);
        out.AppendNumber(entry.Line);
        out.Append(" ");
        out.AppendNumber(entry.Start);
        out.Append(" ");
        out.AppendNumber(entry.Length);
        out.Append(" ");
        out.AppendNumber(entry.Index);
        out.Append(" ");
        out.AppendNumber(entry.Last);
        out.Append("\n");
    }
    return 0;
}

int CommandTitles(Args& args, Output&)
{
    bool newOnly = false;
    args.Parse({"--new"}, {}, [&](std::string_view, std::string_view) { newOnly = true; });
    return pelto::CliTitles(newOnly, SingleFile(args));
}

int CommandTree(Args& args, Output&)
{
    int level = 3;
    args.Parse({}, {"--level"}, [&](std::string_view name, std::string_view value) {
        level = PositiveNumber(name, value);
        if (level > 3)
            throw UsageError("--level takes 1, 2 or 3");
    });
    return pelto::CliTree(level, SingleFile(args));
}

int CommandThread(Args& args, Output&)
{
    int index = -1;
    args.Parse({}, {"--index"}, [&](std::string_view name, std::string_view value) {
        int32_t parsed = 0;
        auto result = std::from_chars(value.data(), value.data() + value.size(), parsed);
        if (result.ec != std::errc() || result.ptr != value.data() + value.size() || parsed < 0)
            throw UsageError(std::string(name) + " needs a whole number, not \"" + std::string(value) + "\"");
        index = parsed;
    });
    if (index < 0)
        throw UsageError("--index is missing");
    return pelto::CliThread(index, SingleFile(args));
}

struct Command {
    std::string_view name;
    std::function<int(Args&, Output&)> run;
};

const std::vector<Command>& Commands()
{
    static const std::vector<Command> commands = {
        {"stats", CommandStats},
        {"rows", CommandRows},
        {"titles", CommandTitles},
        {"tree", CommandTree},
        {"thread", CommandThread},
    };
    return commands;
}

constexpr const char* kUsage =
    "usage: pelto-cli stats  [--wrap N | --nowrap] FILE\n"
    "       pelto-cli rows   [--wrap N | --nowrap] FILE\n"
    "       pelto-cli find   [--case] [--prior] [--hex] [--wrap N | --nowrap] [--top ROW] PATTERN FILE\n"
    "       pelto-cli titles [--new] FILE\n"
    "       pelto-cli tree   [--level 1|2|3] FILE\n"
    "       pelto-cli thread --index K FILE\n"
    "       pelto-cli grep   [--case] [--hex] [--post] PATTERN FILE...\n";

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fputs("pelto-cli: a command is missing (stats, rows, find, titles, tree, thread, grep)\n", stderr);
        return kExitBadUse;
    }
    // Each command reads its file once and ends: a large one stays mapped,
    // never copied.
    pelto::TBvStrings::SetCopyMapped(false);
    std::string_view name = argv[1];
    if (name == "--help" || name == "-h") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    // find parses its own arguments, PATTERN may start with '-'.
    if (name == "find")
        return pelto::CliFind(argc - 2, argv + 2);
    if (name == "grep")
        return pelto::CliGrep(argc - 2, argv + 2);
    const Command* command = nullptr;
    for (const Command& candidate : Commands()) {
        if (candidate.name == name)
            command = &candidate;
    }
    if (!command) {
        std::fprintf(stderr, "pelto-cli: unknown command \"%s\"\n", argv[1]);
        return kExitBadUse;
    }
    Args args(std::vector<std::string_view>(argv + 2, argv + argc));
    Output out;
    try {
        int status = command->run(args, out);
        if (!out.Finish()) {
            std::fprintf(stderr, "pelto-cli: %s: standard output could not be written\n", argv[1]);
            return kExitBadUse;
        }
        return status;
    } catch (const UsageError& error) {
        std::fprintf(stderr, "pelto-cli: %s: %s\n", argv[1], error.what());
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "pelto-cli: %s: out of memory\n", argv[1]);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "pelto-cli: %s: %s\n", argv[1], error.what());
    }
    return kExitBadUse;
}

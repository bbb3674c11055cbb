#include "launcher/Launcher.h"

#include <algorithm>
#include <optional>

namespace pelto {

namespace {

constexpr const char* kSectionProgTitle = "ProgTitle";
constexpr const char* kSectionProgName = "ProgName";
constexpr const char* kSectionProgOption = "ProgOption";
constexpr const char* kSectionProgDir = "ProgDir";
constexpr const char* kSectionProgShortCut = "ProgShortCut";

struct Field {
    const char* section;
    std::string LauncherEntry::*member;
};

constexpr std::array<Field, 5> kFields{{
    {kSectionProgTitle, &LauncherEntry::Title},
    {kSectionProgName, &LauncherEntry::Program},
    {kSectionProgOption, &LauncherEntry::Option},
    {kSectionProgDir, &LauncherEntry::Folder},
    {kSectionProgShortCut, &LauncherEntry::ShortCut},
}};

// The placeholders in the order they are replaced.
constexpr std::array<std::string_view, 3> kPlaceholders{"%f", "%l", "%p"};

std::string ValueOf(size_t placeholder, const PlaceholderValues& values)
{
    switch (placeholder) {
    case 0:
        return values.FileName;
    case 1:
        return std::to_string(values.Line);
    default:
        return values.Folder;
    }
}

// Where a placeholder first stands: argument and byte offset within it.
struct Spot {
    size_t argument;
    size_t offset;
    size_t placeholder;
};

// For every byte of every argument, its offset in the configured text; empty
// when the arguments are the configured text itself.
using Origins = std::vector<std::vector<size_t>>;

// A placeholder counts only where the configured text holds it: "%" and its
// letter side by side, not brought together by removing quotes (%"f").
bool Adjacent(const Origins& origins, size_t argument, size_t offset)
{
    if (origins.empty())
        return true;
    const std::vector<size_t>& from = origins[argument];
    return from[offset + 1] == from[offset] + 1;
}

std::vector<Spot> FirstSpots(const std::vector<std::string>& arguments, const Origins& origins)
{
    std::vector<Spot> spots;
    for (size_t placeholder = 0; placeholder < kPlaceholders.size(); ++placeholder) {
        bool found = false;
        for (size_t argument = 0; argument < arguments.size() && !found; ++argument) {
            // "%" never occurs inside a multibyte UTF-8 character, so a plain
            // search cannot match across a character boundary.
            for (size_t offset = arguments[argument].find(kPlaceholders[placeholder]); offset != std::string::npos;
                 offset = arguments[argument].find(kPlaceholders[placeholder], offset + 1)) {
                if (Adjacent(origins, argument, offset)) {
                    spots.push_back({argument, offset, placeholder});
                    found = true;
                    break;
                }
            }
        }
    }
    return spots;
}

std::vector<std::string> ExpandSpots(const std::vector<std::string>& arguments, const Origins& origins,
                                     const PlaceholderValues& values)
{
    std::vector<Spot> spots = FirstSpots(arguments, origins);
    // From the back, so the offsets of earlier spots stay valid.
    std::sort(spots.begin(), spots.end(), [](const Spot& a, const Spot& b) {
        return a.argument != b.argument ? a.argument > b.argument : a.offset > b.offset;
    });
    std::vector<std::string> expanded = arguments;
    for (const Spot& spot : spots)
        expanded[spot.argument].replace(spot.offset, kPlaceholders[spot.placeholder].size(),
                                        ValueOf(spot.placeholder, values));
    return expanded;
}

// SplitArguments, keeping where each byte came from.
std::vector<std::string> SplitWithOrigins(std::string_view option, Origins& origins)
{
    std::vector<std::string> arguments;
    origins.clear();
    std::optional<std::string> current;
    std::vector<size_t> from;
    bool quoted = false;
    for (size_t at = 0; at < option.size(); ++at) {
        const char c = option[at];
        if (c == '"') {
            quoted = !quoted;
            if (!current)
                current.emplace();
        } else if (!quoted && (c == ' ' || c == '\t')) {
            if (current) {
                arguments.push_back(std::move(*current));
                origins.push_back(std::move(from));
                current.reset();
                from.clear();
            }
        } else {
            if (!current)
                current.emplace();
            current->push_back(c);
            from.push_back(at);
        }
    }
    if (current) {
        arguments.push_back(std::move(*current));
        origins.push_back(std::move(from));
    }
    return arguments;
}

}  // namespace

LauncherSlots PackLauncherSlots(const LauncherSlots& table)
{
    LauncherSlots packed{};
    size_t used = 0;
    for (const LauncherEntry& entry : table) {
        if (!entry.IsFree())
            packed[used++] = entry;
    }
    return packed;
}

LauncherSlots ReadLauncherSlots(const IniFile& file)
{
    const IniText text = file.Load();
    LauncherSlots table{};
    for (int slot = 1; slot <= kLauncherCount; ++slot) {
        for (const Field& field : kFields)
            table[slot - 1].*field.member = text.ReadString(field.section, std::to_string(slot), "");
    }
    return PackLauncherSlots(table);
}

void WriteLauncherSlots(IniFile& file, const LauncherSlots& table)
{
    std::vector<IniEntry> entries;
    for (const Field& field : kFields) {
        for (int slot = 1; slot <= kLauncherCount; ++slot)
            entries.push_back({field.section, std::to_string(slot), table[slot - 1].*field.member});
    }
    file.WriteEntries(entries);
}

std::string StoredShortCut(std::string_view label)
{
    return label.empty() ? std::string(" ") : std::string(label);
}

std::string ShownShortCut(std::string_view stored)
{
    return stored == " " ? std::string() : std::string(stored);
}

PlaceholderValues MakePlaceholderValues(const std::string& fileName, int line, bool oneBased)
{
    PlaceholderValues values;
    values.FileName = fileName;
    values.Line = oneBased ? static_cast<long long>(line) + 1 : line;
    const size_t slash = fileName.rfind('/');
    if (slash != std::string::npos)
        values.Folder = fileName.substr(0, slash + 1);
    return values;
}

std::vector<std::string> ExpandPlaceholders(const std::vector<std::string>& arguments,
                                            const PlaceholderValues& values)
{
    return ExpandSpots(arguments, {}, values);
}

std::string ExpandPlaceholders(std::string_view text, const PlaceholderValues& values)
{
    return ExpandPlaceholders(std::vector<std::string>{std::string(text)}, values).front();
}

std::vector<std::string> SplitArguments(std::string_view option)
{
    Origins origins;
    return SplitWithOrigins(option, origins);
}

LaunchCommand MakeLaunchCommand(const LauncherEntry& entry, const PlaceholderValues& values)
{
    LaunchCommand command;
    command.Program = ExpandPlaceholders(entry.Program, values);
    Origins origins;
    const std::vector<std::string> arguments = SplitWithOrigins(entry.Option, origins);
    command.Arguments = ExpandSpots(arguments, origins, values);
    command.Folder = entry.Folder;
    return command;
}

}  // namespace pelto

// Launcher slots in the settings file, the placeholders and the argument split.

#include "launcher/Launcher.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using namespace pelto;
using Args = std::vector<std::string>;

TEST(LauncherPlaceholders, LineFromOneOrFromZeroAndTheFolder)
{
    // The top row shows line 120, 0-based 119.
    const PlaceholderValues fromDialog = MakePlaceholderValues("/log/A.TXT", 119, true);
    const PlaceholderValues direct = MakePlaceholderValues("/log/A.TXT", 119, false);
    EXPECT_EQ(ExpandPlaceholders("%f /L%l", fromDialog), "/log/A.TXT /L120");
    EXPECT_EQ(ExpandPlaceholders("%f /L%l", direct), "/log/A.TXT /L119");
    EXPECT_EQ(ExpandPlaceholders("%p", fromDialog), "/log/");
    EXPECT_EQ(ExpandPlaceholders("%p", MakePlaceholderValues("A.TXT", 0, true)), "");
}

TEST(LauncherPlaceholders, OnlyTheFirstOccurrenceOfEach)
{
    const PlaceholderValues values = MakePlaceholderValues("/log/A.TXT", 4, true);
    EXPECT_EQ(ExpandPlaceholders("%f %f", values), "/log/A.TXT %f");
    EXPECT_EQ(ExpandPlaceholders("%p%l%f%l%p", values), "/log/5/log/A.TXT%l%p");
    EXPECT_EQ(ExpandPlaceholders("100%%l", values), "100%5");
    EXPECT_EQ(ExpandPlaceholders("no placeholders", values), "no placeholders");
}

TEST(LauncherPlaceholders, InsertedValuesAreNeverSearched)
{
    EXPECT_EQ(ExpandPlaceholders("%f:%l", MakePlaceholderValues("/d/a%lb.txt", 9, true)), "/d/a%lb.txt:10");
    EXPECT_EQ(ExpandPlaceholders("%f %p", MakePlaceholderValues("/d/100%pure.txt", 0, true)),
              "/d/100%pure.txt /d/");
    // A folder holding "%f" is not expanded again either.
    EXPECT_EQ(ExpandPlaceholders("%p|%f", MakePlaceholderValues("/x%f/n.txt", 0, true)), "/x%f/|/x%f/n.txt");
    // Nor does an inserted value ending in "%" make a placeholder with the text after it.
    EXPECT_EQ(ExpandPlaceholders("%fl", MakePlaceholderValues("/d/50%", 0, true)), "/d/50%l");
}

TEST(LauncherArguments, BlanksSeparateAndQuotesGroup)
{
    EXPECT_EQ(SplitArguments(""), Args{});
    EXPECT_EQ(SplitArguments("  \t "), Args{});
    EXPECT_EQ(SplitArguments("%f  /L%l\t-x"), (Args{"%f", "/L%l", "-x"}));
    EXPECT_EQ(SplitArguments("\"a b\" c\"d e\"f"), (Args{"a b", "cd ef"}));
    EXPECT_EQ(SplitArguments("\"\" x"), (Args{"", "x"}));
    // An unclosed quote runs to the end.
    EXPECT_EQ(SplitArguments("a \"b c"), (Args{"a", "b c"}));
}

TEST(LauncherArguments, AFileNameStaysOneArgumentWhateverItHolds)
{
    const std::string hostile = "/logs/a b;rm -rf ~ $(reboot) \"q\".txt";
    const PlaceholderValues values = MakePlaceholderValues(hostile, 0, true);
    LauncherEntry entry{"Edit", "%pviewer", "-n %l --file=%f %p", "/tmp", ""};
    const LaunchCommand command = MakeLaunchCommand(entry, values);
    EXPECT_EQ(command.Program, "/logs/viewer");
    EXPECT_EQ(command.Arguments, (Args{"-n", "1", "--file=" + hostile, "/logs/"}));
    EXPECT_EQ(command.Folder, "/tmp");

    // The first occurrence counts across the whole option, not per argument.
    entry.Option = "%f %f";
    EXPECT_EQ(MakeLaunchCommand(entry, values).Arguments, (Args{hostile, "%f"}));

    // Only a placeholder written as such counts: quotes that bring "%" and its
    // letter together do not make one, and the next real one is taken.
    entry.Option = "%\"f\" \"%\"l \"%f\" %l";
    EXPECT_EQ(MakeLaunchCommand(entry, values).Arguments, (Args{"%f", "%l", hostile, "1"}));
}

TEST(LauncherSlots, PackingAndShortCuts)
{
    LauncherSlots table{};
    table[2] = {"C", "c", "", "", " "};
    table[5] = {"F", "f", "", "", "k"};
    table[6] = {"", "orphan program", "", "", ""};   // no title: a free slot
    const LauncherSlots packed = PackLauncherSlots(table);
    EXPECT_EQ(packed[0].Title, "C");
    EXPECT_EQ(packed[1].Title, "F");
    for (size_t slot = 2; slot < packed.size(); ++slot)
        EXPECT_EQ(packed[slot], LauncherEntry{}) << slot;

    EXPECT_EQ(StoredShortCut(""), " ");
    EXPECT_EQ(StoredShortCut("Ctrl+E"), "Ctrl+E");
    EXPECT_EQ(ShownShortCut(" "), "");
    EXPECT_EQ(ShownShortCut("Ctrl+E"), "Ctrl+E");
}

TEST(LauncherSlots, HandEditedGapsArePackedWhenRead)
{
    std::string pattern = (fs::temp_directory_path() / "launcher-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const fs::path folder = pattern;
    const std::string path = (folder / "pelto.INI").string();
    std::ofstream(path) << "[ProgTitle]\n3=Third\n7=Seventh\n[ProgName]\n3=/bin/third\n7=/bin/seventh\n"
                           "[ProgShortCut]\n3=\" \"\n";
    IniFile ini(path);
    LauncherSlots table = ReadLauncherSlots(ini);
    EXPECT_EQ(table[0], (LauncherEntry{"Third", "/bin/third", "", "", " "}));
    EXPECT_EQ(table[1], (LauncherEntry{"Seventh", "/bin/seventh", "", "", ""}));
    EXPECT_TRUE(table[2].IsFree());
    // Start-up reads slot 1 the same way.
    Settings settings;
    std::vector<std::string> errors;
    ReadIniFileValue(ini, settings, errors);
    EXPECT_EQ((LauncherEntry{settings.ProgTitle1, settings.ProgName1, settings.ProgOption1, settings.ProgDir1,
                             settings.ProgShortCut1}),
              table[0]);

    table[2] = {"New", "/bin/new", "%f \"%p\"", "/tmp/my dir", " "};
    WriteLauncherSlots(ini, table);
    EXPECT_EQ(ReadLauncherSlots(ini), table);
    // Free slots are written as empty values, all nine of every section.
    EXPECT_EQ(ini.ReadString("ProgTitle", "7", "<missing>"), "");
    EXPECT_EQ(ini.ReadString("ProgDir", "9", "<missing>"), "");
    fs::remove_all(folder);
}

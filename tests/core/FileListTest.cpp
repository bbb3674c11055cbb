// The capture of a folder into the list file, reading it back, stepping.

#include "filelist/FileList.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace pelto;

namespace {

class FileListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "filelist-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        folder_ = root_ / "logs";
        fs::create_directory(folder_);
        listPath_ = (root_ / "pelto.DIR").string();
    }
    void TearDown() override { fs::remove_all(root_); }

    std::string Touch(const std::string& name)
    {
        const fs::path path = folder_ / name;
        std::ofstream(path) << "x\r\n";
        return path.string();
    }

    std::string ListContent() const
    {
        std::ifstream in(listPath_, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

    std::string Folder() const { return folder_.string() + "/"; }

    fs::path root_;
    fs::path folder_;
    std::string listPath_;
};

}  // namespace

TEST(FileListNames, PartsOfAPath)
{
    EXPECT_EQ(FolderPart("/logs/a.txt"), "/logs/");
    EXPECT_EQ(FolderPart("a.txt"), "");
    EXPECT_EQ(NamePart("/logs/a.txt"), "a.txt");
    EXPECT_EQ(ExtensionPart("/logs.d/a.tar.gz"), ".gz");
    EXPECT_EQ(ExtensionPart("/logs.d/README"), "");
    EXPECT_EQ(ExtensionPart("/logs/.profile"), ".profile");
}

TEST(FileListNames, ExclusionIsAnExactUpperCaseMatch)
{
    ExcludedExtensions excluded = DefaultExcludedExtensions();
    EXPECT_TRUE(IsExcludedName("B.EXE", excluded));
    // The name's extension is upper-cased before comparing ...
    EXPECT_TRUE(IsExcludedName("x.exe", excluded));
    EXPECT_FALSE(IsExcludedName("a.txt", excluded));
    // ... the filler matches nothing, not even a name ending in ".*" ...
    EXPECT_FALSE(IsExcludedName("odd.*", excluded));
    // ... and no entry is empty, so names without an extension stay.
    EXPECT_FALSE(IsExcludedName("README", excluded));

    excluded[4] = ".txt";   // lower case never matches an upper-cased extension
    EXPECT_FALSE(IsExcludedName("a.txt", excluded));
    excluded[4] = ".TXT";
    EXPECT_TRUE(IsExcludedName("a.txt", excluded));
    excluded[5] = "";
    EXPECT_TRUE(IsExcludedName("README", excluded));
    EXPECT_FALSE(IsExcludedName("a.log", excluded));
}

TEST_F(FileListTest, CaptureWritesTheFolderLessExcludedNamesInNameOrder)
{
    Touch("d.LOG");
    Touch("B.EXE");
    const std::string current = Touch("a.txt");
    Touch("C.txt");
    Touch(".hidden");
    fs::create_directory(folder_ / "sub.txt");
    ASSERT_EQ(mkfifo((folder_ / "pipe.txt").c_str(), 0600), 0);
    fs::create_symlink(folder_ / "nowhere", folder_ / "dangling.txt");

    const CaptureResult result = CaptureFileList(listPath_, current, DefaultExcludedExtensions());

    const std::string f = Folder();
    EXPECT_EQ(ListContent(), f + ".hidden\r\n" + f + "a.txt\r\n" + f + "C.txt\r\n" + f + "d.LOG\r\n");
    EXPECT_EQ(result.LineCount, 4);
    EXPECT_EQ(result.CurrentIndex, 1);
}

TEST_F(FileListTest, ADanglingLinkReadLastIsSkipped)
{
    // the folder's only entry, so the last one the capture reads
    fs::create_symlink(folder_ / "nowhere", folder_ / "dangling.txt");
    const CaptureResult result = CaptureFileList(listPath_, Folder() + "gone.txt", DefaultExcludedExtensions());
    EXPECT_EQ(result.LineCount, 0);
    EXPECT_TRUE(fs::exists(listPath_));
    EXPECT_EQ(ListContent(), "");
}

TEST_F(FileListTest, CaptureOfAFolderWithoutTheCurrentFile)
{
    Touch("a.txt");
    const CaptureResult result =
        CaptureFileList(listPath_, Folder() + "deleted.txt", DefaultExcludedExtensions());
    EXPECT_EQ(result.LineCount, 1);
    EXPECT_FALSE(result.CurrentIndex.has_value());
}

TEST_F(FileListTest, ANameWithALineBreakIsLeftOut)
{
    Touch("a.txt");
    Touch("two\nlines.txt");
    CaptureFileList(listPath_, Folder() + "a.txt", DefaultExcludedExtensions());
    const auto listing = ReadFileList(listPath_);
    ASSERT_TRUE(listing);
    EXPECT_EQ(listing->Names, std::vector<std::string>{"a.txt"});
}

TEST_F(FileListTest, AFailedCaptureKeepsTheOldList)
{
    const std::string current = Touch("a.txt");
    CaptureFileList(listPath_, current, DefaultExcludedExtensions());
    const std::string before = ListContent();

    EXPECT_THROW(CaptureFileList(listPath_, (root_ / "missing" / "x.txt").string(), DefaultExcludedExtensions()),
                 FileListError);
    EXPECT_EQ(ListContent(), before);

    // A list file that cannot be replaced (its folder is read-only) is an error too.
    if (geteuid() != 0) {
        fs::permissions(root_, fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_THROW(CaptureFileList(listPath_, current, DefaultExcludedExtensions()), FileListError);
        fs::permissions(root_, fs::perms::owner_all);
        EXPECT_EQ(ListContent(), before);
    }
    // No temporary file is left behind.
    int files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(root_))
        ++files;
    EXPECT_EQ(files, 2);   // the folder and the list
}

TEST_F(FileListTest, ReadingTheListBack)
{
    EXPECT_FALSE(ReadFileList(listPath_).has_value());

    std::ofstream(listPath_, std::ios::binary) << "/logs/a b.txt\r\n\r\n/other/c.txt\r\n/logs/d.txt";
    const auto listing = ReadFileList(listPath_);
    ASSERT_TRUE(listing);
    EXPECT_EQ(listing->Lines, (std::vector<std::string>{"/logs/a b.txt", "/other/c.txt", "/logs/d.txt"}));
    EXPECT_EQ(listing->Names, (std::vector<std::string>{"a b.txt", "c.txt", "d.txt"}));
    EXPECT_EQ(listing->Folder(), "/logs/");
    // Every file is opened in the folder of the first line.
    EXPECT_EQ(listing->PathAt(1), "/logs/c.txt");

    std::ofstream(listPath_, std::ios::binary | std::ios::trunc).flush();
    const auto empty = ReadFileList(listPath_);
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->Count(), 0);
    EXPECT_EQ(empty->Folder(), "");
}

TEST(FileListIndex, SteppingStopsAtBothEndsAndStaysInsideTheList)
{
    EXPECT_EQ(StepFileListIndex(0, 3, -1), 0);
    EXPECT_EQ(StepFileListIndex(1, 3, -1), 0);
    EXPECT_EQ(StepFileListIndex(2, 3, +1), 2);
    EXPECT_EQ(StepFileListIndex(0, 3, +1), 1);
    // A position left beyond a shorter list is brought back first.
    EXPECT_EQ(StepFileListIndex(7, 3, -1), 1);
    EXPECT_EQ(StepFileListIndex(7, 3, +1), 2);
    EXPECT_EQ(ClampFileListIndex(7, 3), 2);
    EXPECT_EQ(ClampFileListIndex(-2, 3), 0);
    EXPECT_EQ(ClampFileListIndex(5, 0), 0);
}

TEST_F(FileListTest, ExcludedExtensionsRoundTripThroughTheSettingsFile)
{
    IniFile ini((root_ / "pelto.INI").string());
    EXPECT_EQ(ReadExcludedExtensions(ini), DefaultExcludedExtensions());

    ExcludedExtensions edited = DefaultExcludedExtensions();
    edited[4] = ".TXT";
    edited[5] = "";
    edited[63] = " .odd ";
    WriteExcludedExtensions(ini, edited);
    EXPECT_EQ(ReadExcludedExtensions(ini), edited);
}

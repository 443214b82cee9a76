// What only Windows has: drive letters, "\" and ":" in host paths, names as
// bytes in the system code page, and files held without sharing.
#ifdef _WIN32
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "formats/Formats.h"
#include "jobs/Run.h"
#include "platform/Error.h"
#include "platform/File.h"
#include "platform/FileSystem.h"
#include "platform/LineList.h"
#include "platform/Paths.h"
#include "platform/RewriteAside.h"
#include "support/LibBuilder.h"
#include "fixtures/RunFixture.h"

namespace eit::test {
namespace {

TEST(WindowsPaths, FileNameEndsAtBackslashSlashOrColon)
{
    EXPECT_EQ(FileNameOf("D:\\data\\maps.lib"), "maps.lib");
    EXPECT_EQ(FileNameOf("D:maps.lib"), "maps.lib");
    EXPECT_EQ(FileNameOf("C:/data/x.cif"), "x.cif");
    EXPECT_EQ(FileNameOf("\\\\server\\share\\a.b.tab"), "a.b.tab");
    EXPECT_EQ(FileNameOf("D:\\"), "");
    EXPECT_EQ(JoinPath("D:\\", "result.log"), "D:\\\\result.log");
}

TEST(WindowsPaths, AbsolutePathKeepsADriveRootsBackslashOnly)
{
    EXPECT_EQ(AbsolutePath("D:\\"), "D:\\");
    EXPECT_EQ(AbsolutePath("D:\\x\\..\\"), "D:\\");
    EXPECT_EQ(AbsolutePath("D:\\out\\"), "D:\\out");
    EXPECT_EQ(AbsolutePath("d:/out/sub"), "d:\\out\\sub");
}

// Host names are bytes in the system code page, as CreateFileA takes them:
// "\xE9" and "\x80" must come back from std::filesystem byte for byte.
TEST(WindowsPaths, NamesKeepTheirCodePageBytes)
{
    TempFolder dir;
    const std::string folder = JoinPath(dir.str(), "d\xE9");
    const std::string file = JoinPath(folder, "caf\xE9\x80.txt");
    ASSERT_TRUE(CreateFolders(JoinPath(folder, "sub")));
    EXPECT_NE(GetFileAttributesA(JoinPath(folder, "sub").c_str()), INVALID_FILE_ATTRIBUTES);
    {
        File out(file, OpenMode::Create);
        out.Write("old", 3);
    }
    EXPECT_TRUE(Exists(file));
    EXPECT_EQ(AbsolutePath(JoinPath(JoinPath(folder, "sub"), "..\\caf\xE9\x80.txt")), file);
    EXPECT_EQ(ResolvedPath(file), file);

    File target(file, OpenMode::ReadWrite);
    RewriteAside aside(target);
    aside.Out().Write("new", 3);
    aside.Commit();
    EXPECT_EQ(target.Size(), 3u);
    target.Close();

    const std::string saved = CurrentFolder();
    ASSERT_TRUE(SetCurrentFolder(folder));
    EXPECT_EQ(CurrentFolder(), folder);
    EXPECT_EQ(AbsolutePath("caf\xE9\x80.txt"), file);
    SetCurrentFolder(saved);
}

TEST(WindowsFiles, DevicesAreNoFiles)
{
    EXPECT_THROW(File("NUL", OpenMode::Read), ToolError);
    EXPECT_THROW(File("CON", OpenMode::Create), ToolError);
}

// Sharing is enforced for every program, not only between the tool's opens.
TEST(WindowsFiles, OtherProgramsCannotTouchAHeldPackage)
{
    TempFolder dir;
    const std::string package = dir / "p.lib";
    WriteAll(package, "12345678");
    File held(package, OpenMode::ReadWrite);
    EXPECT_FALSE(std::ofstream(package, std::ios::app).is_open());
    EXPECT_FALSE(std::ifstream(package).is_open());
    held.Close();
    File reading(package, OpenMode::Read);
    EXPECT_TRUE(std::ifstream(package).is_open()) << "readers share with readers";
    EXPECT_FALSE(std::ofstream(package, std::ios::app).is_open());
}

// A rewrite keeps the file's attributes: a hidden package stays hidden,
// already while its new contents are built.
TEST(WindowsFiles, ARewriteKeepsTheFilesAttributes)
{
    TempFolder dir;
    const std::string path = dir / "p.lib";
    WriteAll(path, "old");
    const DWORD wanted = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE;
    if (!SetFileAttributesA(path.c_str(), wanted) || GetFileAttributesA(path.c_str()) != wanted) {
        GTEST_SKIP() << "this file system keeps no hidden attribute";
    }
    File target(path, OpenMode::ReadWrite);
    RewriteAside aside(target);
    EXPECT_EQ(GetFileAttributesA(aside.Out().Path().c_str()), wanted);
    aside.Out().Write("new", 3);
    aside.Commit();
    target.Close();
    EXPECT_EQ(GetFileAttributesA(path.c_str()), wanted);
    EXPECT_EQ(ReadAll(path), "new");
}

// A drive root chosen as target folder keeps its "\": the log lands at
// "T:\" + "\" + "result.log" and every path composed under it has two "\" in a
// row. The drive is one the tests may write to, named by EIT_TEST_DRIVE.
class DriveRootTarget : public RunFixture {
protected:
    void SetUp() override
    {
        const char* drive = std::getenv("EIT_TEST_DRIVE");
        if (!drive || !*drive) GTEST_SKIP() << "set EIT_TEST_DRIVE to a drive letter (such as T:) the tests may write to";
        root = std::string(drive) + "\\";
        if (!IsFolder(root)) GTEST_SKIP() << root << " is not there";
    }
    void TearDown() override
    {
        if (root.empty()) return;
        std::error_code ignored;
        std::filesystem::remove(root + "result.log", ignored);
        std::filesystem::remove_all(root + "TXT", ignored);
    }
    std::string root;
};

TEST_F(DriveRootTarget, LogAndItemsLandInTheRootWithDoubledSeparators)
{
    WriteAll(dir / "a.lib", MakeLib({{"a.txt", "aaa"}}));
    ctx.JobKind = JobKind::ExtractLib;
    dialogs.folder = root;
    const std::string before = CurrentFolder();
    RunProcess(ctx, {dir / "a.lib"});
    EXPECT_EQ(ctx.settings.TargetDir, root);
    EXPECT_EQ(CurrentFolder(), before);  // paths are composed under the target, not taken in it
    LineList log;
    log.LoadFromFile(root + "\\result.log");
    ASSERT_EQ(log.Count(), 3u);
    EXPECT_EQ(log[2], "#Target: " + root + "\\TXT\\a_a.txt");
    EXPECT_EQ(ReadAll(root + "TXT\\a_a.txt"), "aaa");
}

}  // namespace
}  // namespace eit::test
#endif

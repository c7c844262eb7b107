#include <gtest/gtest.h>

#include "payload/fileio.h"
#include "support.h"
#include "payload/tree.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

TEST(FilesEqual, ComparesLengthAndBytes)
{
    TempFolder temp;
    const std::string big = RandomBytes((1 << 20) + 10, 3);  // more than one chunk
    std::string lastDiffers = big;
    lastDiffers.back() ^= 1;
    WriteBytes(temp / "a", big);
    WriteBytes(temp / "same", big);
    WriteBytes(temp / "last", lastDiffers);
    WriteBytes(temp / "longer", big + "x");
    WriteBytes(temp / "empty1", "");
    WriteBytes(temp / "empty2", "");

    EXPECT_TRUE(FilesEqual(temp / "a", temp / "same"));
    EXPECT_TRUE(FilesEqual(temp / "a", temp / "a"));
    EXPECT_TRUE(FilesEqual(temp / "empty1", temp / "empty2"));
    EXPECT_FALSE(FilesEqual(temp / "a", temp / "last"));
    EXPECT_FALSE(FilesEqual(temp / "a", temp / "longer"));
    EXPECT_FALSE(FilesEqual(temp / "a", temp / "missing"));
    EXPECT_FALSE(FilesEqual(temp / "missing", temp / "missing"));
    EXPECT_FALSE(FilesEqual("", temp / "a"));
}

TEST(MakeDirsFullPath, CreatesEveryFolderOfThePath)
{
    TempFolder temp;
    EXPECT_TRUE(MakeDirsFullPath(temp / "a\\b"));
    EXPECT_TRUE(IsFolder(temp / "a\\b\\"));
    EXPECT_TRUE(MakeDirsFullPath(temp / "a\\b\\"));  // existing folders are fine
    EXPECT_FALSE(MakeDirsFullPath(""));

    WriteBytes(temp / "file", "x");
    EXPECT_FALSE(MakeDirsFullPath(temp / "file\\sub"));
}

TEST(MakeDirsFullPath, RefusesPathsLongerThan999Bytes)
{
    TempFolder temp;
    std::string path = temp / "first";
    while (path.size() < 1000)
        path += "\\" + std::string(40, 'd');
    path.resize(1000);
    EXPECT_FALSE(MakeDirsFullPath(path));
    EXPECT_FALSE(PathExists(temp / "first"));
}

TEST(CopyFileVerified, CopiesAndVerifies)
{
    TempFolder temp;
    WriteBytes(temp / "src", "content");
    WriteBytes(temp / "empty", "");

    EXPECT_TRUE(CopyFileVerified(temp / "src", temp / "x\\y\\dst"));
    EXPECT_EQ(ReadBytes(temp / "x\\y\\dst"), "content");
    EXPECT_TRUE(CopyFileVerified(temp / "empty", temp / "empty-copy"));
    EXPECT_EQ(ReadBytes(temp / "empty-copy"), "");

    EXPECT_FALSE(CopyFileVerified(temp / "src", temp / "src"));
    EXPECT_EQ(ReadBytes(temp / "src"), "content");
    EXPECT_FALSE(CopyFileVerified(temp / "missing", temp / "dst2"));
    EXPECT_FALSE(PathExists(temp / "dst2"));
    EXPECT_FALSE(CopyFileVerified(temp / "src", ""));
}

TEST(CopyFileVerified, ADestinationWithoutABackslashIsRefused)
{
    TempFolder temp;
    WriteBytes(temp / "src", "content");
    ASSERT_TRUE(ChangeFolder(temp.Path()));
    EXPECT_FALSE(CopyFileVerified(temp / "src", "plainname"));
    EXPECT_FALSE(PathExists(temp / "plainname"));
}

TEST(CopyTree, RecreatesTheTreeWithEmptyFolders)
{
    TempFolder temp;
    ASSERT_TRUE(MakeDirsFullPath(temp / "src\\empty\\deeper"));
    ASSERT_TRUE(MakeDirsFullPath(temp / "src\\sub"));
    WriteBytes(temp / "src\\top.txt", "top");
    WriteBytes(temp / "src\\sub\\inner.txt", "inner");
    ASSERT_TRUE(MakeDirsFullPath(temp / "dst"));
    WriteBytes(temp / "dst\\only-in-dst.txt", "kept");

    CopyTree(temp / "src", temp / "dst");
    EXPECT_EQ(ReadBytes(temp / "dst\\top.txt"), "top");
    EXPECT_EQ(ReadBytes(temp / "dst\\sub\\inner.txt"), "inner");
    EXPECT_TRUE(IsFolder(temp / "dst\\empty\\deeper"));
    EXPECT_EQ(ReadBytes(temp / "dst\\only-in-dst.txt"), "kept");

    CopyTree(temp / "missing", temp / "dst2");
    EXPECT_FALSE(PathExists(temp / "dst2"));
}

TEST(DeleteTree, RemovesEverythingItCan)
{
    TempFolder temp;
    ASSERT_TRUE(MakeDirsFullPath(temp / "t\\a\\b"));
    WriteBytes(temp / "t\\top.txt", "x");
    WriteBytes(temp / "t\\a\\b\\deep.txt", "x");
    DeleteTree(temp / "t");
    EXPECT_FALSE(PathExists(temp / "t"));

    DeleteTree(temp / "does-not-exist");
    EXPECT_TRUE(IsFolder(temp.Path()));
}

#ifdef _WIN32
TEST(DeleteTree, KeepsAReadOnlyFileAndTheFoldersAboveIt)
{
    TempFolder temp;
    ASSERT_TRUE(MakeDirsFullPath(temp / "t\\keep\\inner"));
    ASSERT_TRUE(MakeDirsFullPath(temp / "t\\gone"));
    WriteBytes(temp / "t\\keep\\inner\\ro.txt", "x");
    WriteBytes(temp / "t\\keep\\other.txt", "x");
    WriteBytes(temp / "t\\gone\\file.txt", "x");
    SetFileAttributesA((temp / "t\\keep\\inner\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);

    DeleteTree(temp / "t");
    EXPECT_TRUE(PathExists(temp / "t\\keep\\inner\\ro.txt"));
    EXPECT_FALSE(PathExists(temp / "t\\keep\\other.txt"));
    EXPECT_FALSE(PathExists(temp / "t\\gone"));
    SetFileAttributesA((temp / "t\\keep\\inner\\ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}
#endif

}  // namespace

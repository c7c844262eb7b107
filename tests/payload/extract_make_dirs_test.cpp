#include <gtest/gtest.h>

#include "extract.h"
#include "fileio.h"
#include "support.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

struct DirsCase {
    const char* path;
    bool result;
    const char* made;       // folders that exist afterwards, "|"-separated, relative to the root
    const char* leftIn;     // where the current directory is left, relative to the root ("" for the root)
};

const DirsCase kDirsCases[] = {
    {"a\\\\b\\c.dll", true, "a|a\\b", "a\\b"},  // a doubled separator is skipped
    {"c.dll", true, "", ""},                     // a bare file name makes nothing
    {"", true, "", ""},
    {"\\x\\y\\", true, "x|x\\y", "x\\y"},        // a leading separator is skipped
    {"m/n\\o.txt", true, "m|m\\n", "m\\n"},      // both separators, mixed
    {"file\\g.txt", false, "", ""},              // "file" is a file and cannot be entered
    {"a\\file\\g.txt", false, "a", "a"},
};

std::vector<std::string> Split(const std::string& text)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('|', start);
        if (end == std::string::npos)
            end = text.size();
        parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

}  // namespace

TEST(MakeDirsAlongPath, MakesAndEntersEachFolderButNotTheFileName)
{
    for (const DirsCase& c : kDirsCases) {
        TempFolder temp;
        WriteBytes(temp / "file", "a file, not a folder");
        MakeFolder(temp / "a");
        WriteBytes(temp / "a\\file", "a file, not a folder");
        ASSERT_TRUE(ChangeFolder(temp.Path()));

        EXPECT_EQ(MakeDirsAlongPath(c.path), c.result) << c.path;
        // The current directory is where a relative name lands.
        WriteBytes("here", "marker");
        EXPECT_EQ(ReadBytes(std::string(c.leftIn).empty() ? temp / "here" : temp / (std::string(c.leftIn) + "\\here")),
                  "marker")
            << c.path;
        for (const std::string& folder : Split(c.made))
            EXPECT_TRUE(IsFolder(temp / folder)) << c.path << ": " << folder;
        EXPECT_FALSE(PathExists(temp / "c.dll")) << c.path;
        EXPECT_FALSE(PathExists(temp / "a\\b\\c.dll")) << c.path;
        ChangeFolder(temp.Path());
    }
}

#ifdef _WIN32
TEST(MakeDirsAlongPath, ADoubleByteCharacterEndingIn5CIsNoSeparator)
{
    TempFolder temp;
    ASSERT_TRUE(ChangeFolder(temp.Path()));
    // 0x81 0x5C is one character of code page 936; its second byte is "\".
    const std::string folder = "\x81\x5C" "dir";
    EXPECT_TRUE(MakeDirsAlongPath(folder + "\\f.txt"));

    wchar_t wide[16] = {};
    ASSERT_EQ(MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, folder.c_str(), -1, wide, 16), 5);
    wchar_t root[MAX_PATH] = {};
    ASSERT_GT(MultiByteToWideChar(CP_ACP, 0, temp.Path().c_str(), -1, root, MAX_PATH), 0);
    const std::wstring expected = std::wstring(root) + L"\\" + wide;
    DWORD attributes = GetFileAttributesW(expected.c_str());
    EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
    // Nothing else was made beside it.
    WIN32_FIND_DATAW item{};
    HANDLE find = FindFirstFileW((std::wstring(root) + L"\\*").c_str(), &item);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    std::vector<std::wstring> names;
    do {
        if (wcscmp(item.cFileName, L".") && wcscmp(item.cFileName, L".."))
            names.push_back(item.cFileName);
    } while (FindNextFileW(find, &item));
    FindClose(find);
    EXPECT_EQ(names, std::vector<std::wstring>{wide});
    ChangeFolder("C:\\");
}
#endif

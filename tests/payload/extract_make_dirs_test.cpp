#include <gtest/gtest.h>

#include "payload/extract.h"
#include "payload/fileio.h"
#include "support.h"
#include "payload/tree.h"
#include "win/path.h"

#include <cstring>
#include <string>
#include <vector>

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

// The names directly in folder, as the file system spells them.
#ifdef _WIN32
std::vector<std::wstring> NamesIn(const std::string& folder)
{
    wchar_t root[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, folder.c_str(), -1, root, MAX_PATH);
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW item{};
    HANDLE find = FindFirstFileW((std::wstring(root) + L"\\*").c_str(), &item);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (wcscmp(item.cFileName, L".") && wcscmp(item.cFileName, L".."))
            names.push_back(item.cFileName);
    } while (FindNextFileW(find, &item));
    FindClose(find);
    return names;
}

// Checked as Unicode, so that a wrong code page cannot pass unnoticed.
std::vector<std::wstring> Expected(const std::string& name936)
{
    wchar_t wide[64] = {};
    MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, name936.c_str(), -1, wide, 64);
    return {wide};
}
#else
std::vector<std::string> NamesIn(const std::string& folder)
{
    std::vector<std::string> names;
    FolderListing listing;
    listing.Open(folder);
    for (ListedItem item; listing.Next(item);)
        if (item.name != "." && item.name != "..")
            names.push_back(item.name);
    return names;
}

std::vector<std::string> Expected(const std::string& name936) { return {name936}; }
#endif

// "乗模板" in code page 936: its first character is 0x81 0x5C, whose second byte is "\".
const std::string kTemplates = "\x81\x5C\xC4\xA3\xB0\xE5";

TEST(FolderCreation, ADoubleByteCharacterEndingIn5CMakesExactlyOneFolder)
{
    {
        TempFolder temp;
        ASSERT_TRUE(ChangeFolder(temp.Path()));
        EXPECT_TRUE(MakeDirsAlongPath(kTemplates + "\\f.txt"));
        EXPECT_EQ(NamesIn(temp.Path()), Expected(kTemplates));
        ChangeFolder(temp.Path() + "\\..");
    }
    {
        TempFolder temp;
        EXPECT_TRUE(MakeDirsFullPath(temp / (kTemplates + "\\sub")));
        EXPECT_EQ(NamesIn(temp.Path()), Expected(kTemplates));
        EXPECT_EQ(NamesIn(temp / kTemplates), Expected("sub"));
    }
    {
        TempFolder temp;
        WriteBytes(temp / "a.xml", "template");
        EXPECT_TRUE(CopyFileVerified(temp / "a.xml", temp / (kTemplates + "\\a.xml")));
        EXPECT_EQ(ReadBytes(temp / (kTemplates + "\\a.xml")), "template");
        EXPECT_EQ(FolderWithSeparator(temp / (kTemplates + "\\a.xml")), temp / (kTemplates + "\\"));
    }
}

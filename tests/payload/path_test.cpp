#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "win/path.h"

namespace {

struct SplitCase {
    std::string path;
    PathSeparators separators;
    size_t next;  // from position 0
    size_t last;
};

constexpr size_t npos = std::string::npos;
constexpr PathSeparators kBackslash = PathSeparators::Backslash;
constexpr PathSeparators kBoth = PathSeparators::BackslashOrSlash;

const SplitCase kSplitCases[] = {
    {"a\\b\\c", kBackslash, 1, 3},
    {"a/b\\c", kBackslash, 3, 3},
    {"a/b\\c", kBoth, 1, 3},
    {"", kBoth, npos, npos},
    // "乗" is 0x81 0x5C: its second byte is no separator.
    {"\x81\x5C", kBackslash, npos, npos},
    {"\x81\x5C\\x", kBackslash, 2, 2},
    {"x\\\x81\x5C\x81\x5C", kBackslash, 1, 1},
    // A lead byte followed by a byte that cannot end a character stands alone.
    {"\x81/x", kBoth, 1, 1},
    {"\x81\\", kBackslash, npos, npos},
    {"ab\x81", kBackslash, npos, npos},
    // "表" is 0xB1 0xED: no 0x5C at all; ASCII around it as usual.
    {"\xB1\xED\\\xB1\xED\\", kBackslash, 2, 5},
};

}  // namespace

TEST(Path, SeparatorsAreFoundOnlyBetweenCharacters)
{
    for (const SplitCase& c : kSplitCases) {
        EXPECT_EQ(FindNextSeparator(c.path, 0, c.separators), c.next) << c.path;
        EXPECT_EQ(FindLastSeparator(c.path, c.separators), c.last) << c.path;
    }
}

namespace {

// One path through every rule: is it a relative path that stays inside its
// folder, its folder with and without the last separator, and it joined to
// the folder "C:\f".
struct PathCase {
    const char* path;
    bool inside;
    const char* folderWith;
    const char* folderWithout;
};

const PathCase kPathCases[] = {
    {"lib.dll", true, "", "lib.dll"},
    {"sub\\dir\\a.dll", true, "sub\\dir\\", "sub\\dir"},
    {"a/b", true, "a/", "a"},
    {"a..b\\.\\c", true, "a..b\\.\\", "a..b\\."},
    {"sub\\\\a.dll", true, "sub\\\\", "sub\\"},
    {"TolvaneKelm\\skf.ini", true, "TolvaneKelm\\", "TolvaneKelm"},
    {"组件.dll", true, "", "组件.dll"},
    {"CONSOLE.dll", true, "", "CONSOLE.dll"},
    {"COM10.dll", true, "", "COM10.dll"},
    // "乗" ends with the byte of "\", "亅" with the byte of "|": both are
    // parts of their characters, neither a separator nor a refused character.
    {"\x81\x5c.dll", true, "", "\x81\x5c.dll"},
    {"\x81\x7c\\a.dll", true, "\x81\x7c\\", "\x81\x7c"},
    {"d\\\x81\x5c", true, "d\\", "d"},
    // Leaving the folder.
    {"..\\evil.dll", false, "..\\", ".."},
    {"sub\\..\\..\\evil.dll", false, "sub\\..\\..\\", "sub\\..\\.."},
    {"sub/../evil.dll", false, "sub/../", "sub/.."},
    {"..", false, "", ".."},
    {"...\\a.dll", false, "...\\", "..."},
    {"sub\\... \\evil.dll", false, "sub\\... \\", "sub\\... "},
    {"\\windows\\win.ini", false, "\\windows\\", "\\windows"},
    {"\\root.lnk", false, "\\", "\\root.lnk"},
    {"/etc/passwd", false, "/etc/", "/etc"},
    {"C:\\Windows\\evil.dll", false, "C:\\Windows\\", "C:\\Windows"},
    {"C:evil.dll", false, "", "C:evil.dll"},
    {"file.txt:stream", false, "", "file.txt:stream"},
    // Names Windows would take for a device, trim, or refuse.
    {"CON", false, "", "CON"},
    {"sub\\nul.txt", false, "sub\\", "sub"},
    {"Com1.dll", false, "", "Com1.dll"},
    {"lpt9 .log", false, "", "lpt9 .log"},
    {"AUX\\a.dll", false, "AUX\\", "AUX"},
    {"dot.", false, "", "dot."},
    {"blank \\a.dll", false, "blank \\", "blank "},
    {"a|b.dll", false, "", "a|b.dll"},
    {"a?.dll", false, "", "a?.dll"},
    {"a\x01.dll", false, "", "a\x01.dll"},
    // Nothing to name.
    {"", false, "", ""},
    {".\\", false, ".\\", "."},
};

}  // namespace

TEST(Path, RelativeNamesAndFolders)
{
    for (const PathCase& c : kPathCases) {
        EXPECT_EQ(IsInsideRelativePath(c.path), c.inside) << c.path;
        EXPECT_EQ(FolderWithSeparator(c.path), c.folderWith) << c.path;
        EXPECT_EQ(FolderWithoutSeparator(c.path), c.folderWithout) << c.path;
    }
}

TEST(Path, JoinPutsOneSeparatorBetween)
{
    EXPECT_EQ(JoinPath("C:\\f", "a.dll"), "C:\\f\\a.dll");
    EXPECT_EQ(JoinPath("C:\\f\\", "a.dll"), "C:\\f\\a.dll");
    EXPECT_EQ(JoinPath("C:\\f/", "a.dll"), "C:\\f/a.dll");
    EXPECT_EQ(JoinPath("", "a.dll"), "a.dll");
    // A folder ending in "乗" ends in the byte of "\" without a separator.
    EXPECT_EQ(JoinPath("C:\\\x81\x5c", "a.dll"), "C:\\\x81\x5c\\a.dll");
}

TEST(Path, WalkerGivesEveryComponentWithItsEnd)
{
    struct Step {
        std::string component;
        size_t end;
    };
    const struct {
        const char* path;
        std::vector<Step> steps;
    } cases[] = {
        {"a\\b\\c.txt", {{"a", 1}, {"b", 3}, {"c.txt", 9}}},
        {"a\\\\b\\", {{"a", 1}, {"", 2}, {"b", 4}, {"", 5}}},
        {"\x81\x5c\\x", {{"\x81\x5c", 2}, {"x", 4}}},
        {"", {{"", 0}}},
    };
    for (const auto& c : cases) {
        std::vector<Step> steps;
        for (PathWalker walk(c.path); walk.Next();) {
            steps.push_back({walk.Component(), walk.End()});
            EXPECT_EQ(walk.IsLast(), walk.End() == std::string(c.path).size());
        }
        ASSERT_EQ(steps.size(), c.steps.size()) << c.path;
        for (size_t i = 0; i < steps.size(); ++i) {
            EXPECT_EQ(steps[i].component, c.steps[i].component) << c.path << " #" << i;
            EXPECT_EQ(steps[i].end, c.steps[i].end) << c.path << " #" << i;
        }
    }
}

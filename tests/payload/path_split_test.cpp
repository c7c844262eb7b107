#include <gtest/gtest.h>

#include <string>

#include "win/path_split.h"

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

TEST(PathSplit, SeparatorsAreFoundOnlyBetweenCharacters)
{
    for (const SplitCase& c : kSplitCases) {
        EXPECT_EQ(FindNextSeparator(c.path, 0, c.separators), c.next) << c.path;
        EXPECT_EQ(FindLastSeparator(c.path, c.separators), c.last) << c.path;
    }
}

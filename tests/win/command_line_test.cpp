#include "app/command_line.h"
#include "win/winapp.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct FlagCase {
    const char* text;
    bool silent;
    bool fix;
};

// Only the whole text counts, case-sensitively; "-s" alone has an upper-case twin.
const FlagCase FlagCases[] = {
    {"-s", true, false},
    {"-S", true, false},
    {"-fix", false, true},
    {"-fixfile", false, true},
    {"", false, false},
    {"-s -fix", false, false},
    {" -s", false, false},
    {"-s ", false, false},
    {"/s", false, false},
    {"\"-s\"", false, false},
    {"-FIX", false, false},
    {"-Fix", false, false},
    {"-FIXFILE", false, false},
    {"-fixfil", false, false},
    {"-silent", false, false},
    {"-s\t", false, false},
};

TEST(CommandLine, WholeTextCaseSensitive)
{
    for (const FlagCase& c : FlagCases) {
        CommandLineFlags flags = ParseCommandLine(c.text);
        EXPECT_EQ(flags.silent, c.silent) << '"' << c.text << '"';
        EXPECT_EQ(flags.fix, c.fix) << '"' << c.text << '"';
    }
    CommandLineFlags none = ParseCommandLine(nullptr);
    EXPECT_FALSE(none.silent);
    EXPECT_FALSE(none.fix);
}

struct TailCase {
    const char* full;
    const char* tail;
};

// The program's path, quoted or not, and the blanks after it are not part of the option.
const TailCase TailCases[] = {
    {"TolvaneSetup.exe -s", "-s"},
    {"TolvaneSetup.exe   -s", "-s"},
    {"TolvaneSetup.exe\t-fix", "-fix"},
    {"\"C:\\Program Files\\安装\\TolvaneSetup.exe\" -s", "-s"},
    {"\"C:\\dir with blanks\\TolvaneSetup.exe\"-fix", "-fix"},
    {"C:\\下载\\TolvaneSetup.exe -s -fix", "-s -fix"},
    {"TolvaneSetup.exe -s ", "-s "},
    {"TolvaneSetup.exe", ""},
    {"\"TolvaneSetup.exe", ""},
    {"", ""},
};

TEST(CommandLine, TailAfterProgramPath)
{
    for (const TailCase& c : TailCases)
        EXPECT_EQ(std::string(CommandLineTail(c.full)), c.tail) << c.full;
}

}  // namespace

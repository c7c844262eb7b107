// The launcher: what the started program sees, programs that cannot start,
// and programs that outlive the wait.
#include "sysint/run_and_wait.h"

#include <gtest/gtest.h>

#include "win_fixture.h"

namespace {

using fixture::Narrow;
using fixture::Wide;

std::wstring WithoutTrailingBackslash(std::wstring path)
{
    while (path.size() > 3 && path.back() == L'\\')
        path.pop_back();
    return path;
}

class RunAndWaitTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setup::ClearJournal();
        folder = fixture::FreshFolder(L"启动 测试");
        ASSERT_TRUE(fixture::CopyTo(fixture::StubProgram(), folder + L"\\探针.exe"));
    }

    // The journal lines of the stub after one launch.
    std::vector<setup::JournalLine> Launch(const std::string& parameterTemplate)
    {
        setup::ClearJournal();
        RunAndWait(Narrow(L"探针.exe").c_str(), parameterTemplate.c_str(), Narrow(folder + L"\\"));
        return fixture::JournalOf(folder + L"\\探针.exe");
    }

    std::wstring folder;
};

TEST_F(RunAndWaitTest, StubSeesItsParametersAndWorkingFolderExactly)
{
    const std::wstring withSlash = folder + L"\\";
    struct Case {
        std::string parameterTemplate;
        std::wstring expected;
    };
    const Case cases[] = {
        // The folder ends with a backslash: the one after %s doubles it.
        {"/s \"%s\\NUVRASOF.ocx\"", L"/s \"" + withSlash + L"\\NUVRASOF.ocx\""},
        {"/passive /promptrestart /log %temp%dotNetFx40_Tolvane.htm",
         L"/passive /promptrestart /log %temp%dotNetFx40_Tolvane.htm"},
        // Other percent signs are text, also beside the placeholder.
        {"%s %d %t 100% %n %%", withSlash + L" %d %t 100% %n %%"},
        {"", L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.parameterTemplate);
        std::vector<setup::JournalLine> lines = Launch(c.parameterTemplate);
        ASSERT_EQ(1u, lines.size());
        EXPECT_EQ(c.expected, lines[0].commandLine);
        EXPECT_EQ(WithoutTrailingBackslash(folder), WithoutTrailingBackslash(lines[0].folder));
    }
}

TEST_F(RunAndWaitTest, ParameterTextThatWouldNotFitIsNotLaunched)
{
    const std::string withSlash = Narrow(folder + L"\\");
    const size_t room = kMaxParameterText - withSlash.size();
    // Exactly 259 bytes after the replacement: launched as it is.
    std::vector<setup::JournalLine> lines = Launch("%s" + std::string(room, 'a'));
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ(Wide(withSlash) + std::wstring(room, L'a'), lines[0].commandLine);
    // One byte more: nothing is started (not a shortened command line).
    EXPECT_TRUE(Launch("%s" + std::string(room + 1, 'a')).empty());
    // The template alone too long, without a placeholder.
    EXPECT_TRUE(Launch(std::string(kMaxParameterText + 1, 'b')).empty());

    std::string text;
    EXPECT_TRUE(BuildParameterText("%s%s", "ab", text));
    EXPECT_EQ("ab%s", text);
}

TEST_F(RunAndWaitTest, MissingProgramReturnsAtOnceWithoutAWindow)
{
    const DWORD start = GetTickCount();
    RunAndWait("tolvane-no-such-program.exe", "/q", Narrow(folder + L"\\"));
    EXPECT_LT(fixture::Since(start), 5000u);
    // Neither now nor a moment later: no error box of the shell. The check
    // ends as soon as a window shows.
    const DWORD watch = GetTickCount();
    bool shown = false;
    while (!shown && fixture::Since(watch) < 500) {
        shown = !ui::VisibleTopWindows(GetCurrentProcessId()).empty();
        if (!shown)
            Sleep(20);
    }
    EXPECT_FALSE(shown);
}

TEST_F(RunAndWaitTest, ProgramThatOutlivesTheBoundIsLeftRunning)
{
    ASSERT_TRUE(fixture::CopyTo(fixture::StubProgram(), folder + L"\\长时间.exe"));
    const DWORD start = GetTickCount();
    RunAndWait(Narrow(L"长时间.exe").c_str(), "--stub-sleep=60000", Narrow(folder + L"\\"));
    const DWORD waited = fixture::Since(start);
    EXPECT_GE(waited, kRunAndWaitTimeoutMs - 100);
    EXPECT_LT(waited, kRunAndWaitTimeoutMs + 5000);
    EXPECT_EQ(1, fixture::CountProcesses(L"长时间.exe"));
    fixture::EndProcesses(L"长时间.exe");
}

}  // namespace

// The prerequisite installers: run with their status text when present,
// passed over without a trace when absent.
#include "sysint/prerequisite.h"

#include <gtest/gtest.h>

#include "win_fixture.h"

namespace {

using fixture::Narrow;

// Records the status texts, and how many journal lines there were at each.
class RecordingStatus : public StatusLine {
public:
    void SetStatus(const char* text) override
    {
        texts.push_back(text);
        journalLinesAtStatus.push_back(setup::ReadJournal().size());
    }
    std::vector<std::string> texts;
    std::vector<size_t> journalLinesAtStatus;
};

class Prerequisites : public ::testing::Test {
protected:
    void SetUp() override
    {
        setup::ClearJournal();
        folder = fixture::FreshFolder(L"先决 条件");
    }
    std::wstring folder;
};

TEST_F(Prerequisites, PresentOnesShowTheirStatusThenRun)
{
    struct Case {
        Prerequisite step;
        const wchar_t* program;
        const wchar_t* commandLine;
        const char* status;  // null: none
    };
    const Case cases[] = {
        {VcRuntime, L"vcredist_x86.exe", L"/q /norestart", "安装运行库"},
        {DotNet4, L"dotNetFx40_Full_x86_x64.exe", L"/passive /promptrestart /log %temp%dotNetFx40_Tolvane.htm",
         "安装.NET环境"},
        {RootCert, L"ImportRootCert.exe", L"", nullptr},
        {RootCert1, L"ImportRootCert1.exe", L"", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(ui::Utf8(c.program));
        setup::ClearJournal();
        const std::wstring program = folder + L"\\" + c.program;
        ASSERT_TRUE(fixture::CopyTo(fixture::StubProgram(), program));
        RecordingStatus window;
        InstallPrerequisite(c.step, &window, Narrow(folder + L"\\"));

        std::vector<setup::JournalLine> lines = fixture::JournalOf(program);
        ASSERT_EQ(1u, lines.size());
        EXPECT_EQ(c.commandLine, lines[0].commandLine);
        if (c.status) {
            ASSERT_EQ(1u, window.texts.size());
            EXPECT_EQ(c.status, window.texts[0]);
            EXPECT_EQ(0u, window.journalLinesAtStatus[0]) << "the status comes before the start";
        } else {
            EXPECT_TRUE(window.texts.empty());
        }
    }
}

TEST_F(Prerequisites, AbsentOnesChangeNothing)
{
    for (Prerequisite step : {VcRuntime, DotNet4, RootCert, RootCert1}) {
        RecordingStatus window;
        InstallPrerequisite(step, &window, Narrow(folder + L"\\"));
        EXPECT_TRUE(window.texts.empty()) << step;
    }
    EXPECT_TRUE(setup::ReadJournal().empty());
}

}  // namespace

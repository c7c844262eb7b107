// Runs that need no person: silent and fix mode, a second instance, and
// command lines that are not options.
#include "footprint.h"
#include "scenario.h"

#include <initializer_list>

namespace e2e {
namespace {

using setup::State;

class Unattended : public SetupScenario {};

bool Contains(const std::vector<State>& states, State state)
{
    for (State seen : states)
        if (seen == state)
            return true;
    return false;
}

std::string Boxes(const setup::RunRecord& record)
{
    std::string out;
    for (const ui::MessageBoxInfo& box : record.boxes)
        out += "[" + ui::Utf8(box.caption) + "] " + ui::Utf8(box.text) + "\n";
    return out;
}

// A run without a person: it installs, runs the finish actions and ends with
// code 0, asking nothing; the window is shown or not.
void RunsAndEndsByItself(std::initializer_list<const wchar_t*> options, bool windowShown)
{
    for (const wchar_t* option : options) {
        SCOPED_TRACE(ui::Utf8(option));
        setup::DeleteTemporaryPayload();
        setup::ClearJournal();
        // The finish actions make the shortcuts, the desktop pair included.
        const std::wstring desktopLink =
            ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + L"\\Halvor\u6570\u5b57\u8bc1\u4e66\u5ba2\u6237\u7aef.lnk";
        DeleteFileW(desktopLink.c_str());
        ui::Process installer;
        ASSERT_TRUE(installer.Start(SetupProgram(), option));
        setup::RunRecord run = setup::WatchUntilExit(installer, kInstallTimeout, nullptr);
        EXPECT_TRUE(run.exited);
        EXPECT_EQ(0u, run.exitCode);
        EXPECT_EQ(windowShown, run.windowShown);
        EXPECT_EQ("", Boxes(run));
        EXPECT_TRUE(Contains(run.states, State::Installing));
        // The temporary payload files go with the run.
        for (const wchar_t* name : setup::kPayloadFiles)
            EXPECT_FALSE(setup::FileExists(setup::TempFolder() + name)) << ui::Utf8(name);
        EXPECT_EQ("", WaitForFinishActions());
        EXPECT_TRUE(footprint::ReadLink(desktopLink).read);
    }
}

TEST_F(Unattended, SilentRunsWithoutWindowAndEndsByItself)
{
    RunsAndEndsByItself({L"-s", L"-S"}, false);
}

TEST_F(Unattended, SilentTrayClickShowsWindowWithCancelDisabled)
{
    // The notification icon's callback message, as the shell sends it on a click.
    const UINT trayMessage = WM_USER + 5;
    for (UINT click : {WM_LBUTTONDOWN, WM_RBUTTONDOWN}) {
        SCOPED_TRACE(click == WM_LBUTTONDOWN ? "left button" : "right button");
        ASSERT_TRUE(installer.Start(SetupProgram(), L"-s"));
        HWND window = setup::WaitForWindow(installer, kWindowTimeout, false);
        ASSERT_NE(nullptr, window);
        EXPECT_FALSE(IsWindowVisible(window));
        PostMessageW(window, trayMessage, 128, click);
        EXPECT_TRUE(ui::WaitFor([&] { return IsWindowVisible(window) != FALSE; }, kStateTimeout));
        EXPECT_FALSE(ui::IsControlEnabled(window, setup::kCancelFinish));
        // It still finishes and ends by itself.
        ExpectEnds(kInstallTimeout);
    }
}

TEST_F(Unattended, FixShowsWindowRunsAndEndsByItself)
{
    RunsAndEndsByItself({L"-fix", L"-fixfile"}, true);
}

TEST_F(Unattended, SecondInstanceEndsAtOnceWithoutWindow)
{
    HWND window = StartWindowed();
    ASSERT_NE(nullptr, window);
    ASSERT_EQ("", setup::WaitForState(installer, window, State::Ready, kStateTimeout));

    for (const wchar_t* option : {L"", L"-s", L"-fix"}) {
        SCOPED_TRACE(ui::Utf8(option));
        ui::Process second;
        ASSERT_TRUE(second.Start(SetupProgram(), option));
        bool windowSeen = false;
        bool ended = ui::WaitFor(
            [&] {
                windowSeen = windowSeen || !ui::VisibleTopWindows(second.Id()).empty() ||
                             ui::FindTopWindow(second.Id(), setup::kCaption);
                return !second.Running();
            },
            kEndTimeout);
        EXPECT_TRUE(ended);
        EXPECT_FALSE(windowSeen);
        DWORD exitCode = 1;
        EXPECT_TRUE(second.WaitForExit(0, &exitCode));
        EXPECT_EQ(kExitAlreadyRunning, exitCode);
    }
    // The first one is untouched.
    EXPECT_TRUE(installer.Running());
    EXPECT_EQ("", setup::DifferencesFrom(window, State::Ready));
    CancelWithAnswer(window, IDYES);
    ExpectEnds(kEndTimeout, kExitUserCancelled);
}

// The exit code tells a deployment tool how a silent run ended, and the
// install log's last line says the same.
TEST_F(Unattended, SilentRunsTellTheirOutcomeInTheExitCode)
{
    const std::wstring log = setup::TempFolder() + L"TolvaneSetup.log";
    auto lastLogLine = [&] {
        std::string text;
        if (FILE* file = _wfopen(log.c_str(), L"rb")) {
            char buffer[4096];
            size_t n;
            while ((n = fread(buffer, 1, sizeof buffer, file)) > 0)
                text.append(buffer, n);
            fclose(file);
        }
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
            text.pop_back();
        return text.substr(text.find_last_of('\n') + 1);
    };

    // The installation folder cannot be made: a file stands in its place.
    std::wstring folder = setup::InstallFolder();
    folder.pop_back();
    ASSERT_TRUE(PlaceFile(folder));
    ui::Process run;
    ASSERT_TRUE(run.Start(SetupProgram(), L"-s"));
    std::vector<std::wstring> boxes;
    setup::RunRecord record = setup::WatchUntilExit(run, kInstallTimeout, [&](const ui::MessageBoxInfo& box) {
        boxes.push_back(box.text);
        return IDOK;
    });
    EXPECT_TRUE(record.exited);
    EXPECT_EQ(kExitFolderAccessFailed, record.exitCode);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(L"目录访问失败!请使用管理员权限运行本程序", boxes[0]);
    EXPECT_NE(std::string::npos, lastLogLine().find("exit code 5: ")) << lastLogLine();

    // Without it, a complete run.
    ASSERT_TRUE(DeleteFileW(folder.c_str()));
    InstallSilently();
    EXPECT_NE(std::string::npos, lastLogLine().find("exit code 0: ")) << lastLogLine();
}

TEST_F(Unattended, OtherCommandLinesRunInteractively)
{
    for (const wchar_t* line : {L"-s -fix", L"-s ", L"/s", L"-FIX", L"-Fix", L"-fixfile2"}) {
        SCOPED_TRACE("command line \"" + ui::Utf8(line) + "\"");
        HWND window = StartWindowed(line);
        ASSERT_NE(nullptr, window);
        EXPECT_EQ("", setup::WaitForState(installer, window, State::Ready, kStateTimeout));
        // No installation starts by itself.
        EXPECT_FALSE(ui::WaitFor([&] { return setup::ReadState(window) != State::Ready; }, 300));
        CancelWithAnswer(window, IDYES);
        ExpectEnds(kEndTimeout, kExitUserCancelled);
    }
}

}  // namespace
}  // namespace e2e

// An interactive run as a person makes it: Install, watch, Finish; Cancel in
// its two places; the close request.
#include "scenario.h"

#include <tlhelp32.h>

namespace e2e {
namespace {

using setup::State;

class Interactive : public SetupScenario {};

bool ProcessRuns(const wchar_t* imageName)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !found; more = Process32NextW(snapshot, &entry))
        found = !lstrcmpiW(entry.szExeFile, imageName);
    CloseHandle(snapshot);
    return found;
}

TEST_F(Interactive, ReadyInstallingFinishedThenFinishEnds)
{
    // A document reader profile and licence left from before; the
    // installation resets the profile.
    std::wstring profile = ShellFolder(CSIDL_LOCAL_APPDATA) + L"\\SuwellReader\\";
    std::wstring licence = ShellFolder(CSIDL_COMMON_APPDATA) + L"\\suwellreader\\lic";
    ASSERT_TRUE(PlaceFile(profile + L"旧配置\\设置.xml"));
    ASSERT_TRUE(PlaceFile(licence));

    // A client of an earlier installation still runs from the installation
    // folder; it is stopped before its files are written.
    const std::wstring folder = setup::InstallFolder();
    ASSERT_TRUE(CopyTo(StubProgram(), folder + L"Tolvane.exe"));
    ui::Process earlier;
    ASSERT_TRUE(earlier.Start(folder + L"Tolvane.exe", L"--stub-stay"));
    ASSERT_TRUE(ui::WaitFor([] { return !setup::ReadJournal().empty(); }, kStateTimeout));
    setup::ClearJournal();

    HWND window = StartWindowed();
    ASSERT_NE(nullptr, window);
    EXPECT_EQ("", setup::WaitForState(installer, window, State::Ready, kStateTimeout));
    EXPECT_TRUE(ui::IsControlEnabled(window, setup::kCancelFinish));

    ASSERT_TRUE(ui::ClickButton(window, setup::kInstall));
    EXPECT_EQ("", setup::WaitForState(installer, window, State::Installing, kStateTimeout));
    ASSERT_EQ("", setup::WaitForState(installer, window, State::Finished, kInstallTimeout));

    // The temporary payload files are gone once the extraction is done, and
    // the installation folder is made; the program waits for Finish.
    for (const wchar_t* name : setup::kPayloadFiles)
        EXPECT_FALSE(setup::FileExists(setup::TempFolder() + name)) << ui::Utf8(name);
    EXPECT_TRUE(setup::FileExists(setup::InstallFolder()));
    EXPECT_FALSE(setup::FileExists(profile + L"旧配置"));
    EXPECT_TRUE(setup::FileExists(profile + L"propertytemplate"));
    EXPECT_FALSE(setup::FileExists(licence));
    EXPECT_TRUE(installer.Running());
    EXPECT_TRUE(earlier.WaitForExit(0));

    // Both containers were written, Chinese names as they are.
    for (const wchar_t* name : {L"Tolvane.exe", L"使用说明.txt", L"OESRPC_win32\\SwOESServer.exe",
                                L"Reader_Pro\\propertytemplate\\印章\\签章模板.xml"})
        EXPECT_GT(setup::FileSize(folder + name), 0) << ui::Utf8(name);
    EXPECT_GT(setup::FileSize(setup::SystemFolderOnDisk() + L"TolvaneKelm\\skf.ini"), 0);
    // A 32-bit installer on 64-bit Windows lands in the folders of 32-bit
    // programs, and leaves the 64-bit system folder alone.
    if (setup::RunsUnderWow64()) {
        EXPECT_NE(std::wstring::npos, folder.find(L"\\Program Files (x86)\\TolvaneKelm\\")) << ui::Utf8(folder);
        EXPECT_EQ(-1, setup::NativeFileSize(setup::NativeSystemFolder() + L"TolvaneKelm\\skf.ini"));
    }

    // Finish starts the client in the installation folder and the reader server, then ends.
    ASSERT_TRUE(ui::ClickButton(window, setup::kCancelFinish));
    ExpectEnds();
    EXPECT_EQ("", WaitForFinishActions());
}

TEST_F(Interactive, CancelBeforeInstallAsksNoKeepsYesEnds)
{
    HWND window = StartWindowed();
    ASSERT_NE(nullptr, window);
    ASSERT_EQ("", setup::WaitForState(installer, window, State::Ready, kStateTimeout));
    // Before the user says Install, nothing of the payload is unpacked.
    for (const wchar_t* name : setup::kPayloadFiles)
        EXPECT_FALSE(setup::FileExists(setup::TempFolder() + name)) << ui::Utf8(name);

    CancelWithAnswer(window, IDNO);
    EXPECT_TRUE(installer.Running());
    EXPECT_EQ("", setup::DifferencesFrom(window, State::Ready));

    CancelWithAnswer(window, IDYES);
    ExpectEnds(kEndTimeout, kExitUserCancelled);
    // Nothing was started: no payload unpacked, no installation folder.
    for (const wchar_t* name : setup::kPayloadFiles)
        EXPECT_FALSE(setup::FileExists(setup::TempFolder() + name)) << ui::Utf8(name);
    EXPECT_FALSE(setup::FileExists(setup::InstallFolder()));
}

TEST_F(Interactive, CancelDuringInstallationEndsAtOnce)
{
    HWND window = StartWindowed();
    ASSERT_NE(nullptr, window);
    ASSERT_TRUE(ui::ClickButton(window, setup::kInstall));
    ASSERT_EQ("", setup::WaitForState(installer, window, State::Installing, kStateTimeout));

    CancelWithAnswer(window, IDYES);
    ExpectEnds(kEndTimeout, kExitUserCancelled);
    // The finish actions never ran: the client was not started.
    for (const setup::JournalLine& line : setup::ReadJournal())
        EXPECT_NE(L"NoRunGUI", line.commandLine) << ui::Utf8(line.program);
}

TEST_F(Interactive, CancelDuringALongProgramWaitEndsAtOnce)
{
    // The runtime installer outlives the installer's 15-second wait.
    SetEnvironmentVariableW(L"TOLVANE_STUB_LINGER", L"vcredist_x86.exe=120000");
    HWND window = StartWindowed();
    SetEnvironmentVariableW(L"TOLVANE_STUB_LINGER", nullptr);
    ASSERT_NE(nullptr, window);
    ASSERT_TRUE(ui::ClickButton(window, setup::kInstall));
    const std::wstring program = setup::InstallFolder() + L"vcredist_x86.exe";
    ASSERT_TRUE(ui::WaitFor(
        [&] {
            for (const setup::JournalLine& line : setup::ReadJournal())
                if (!lstrcmpiW(line.program.c_str(), program.c_str()))
                    return true;
            return false;
        },
        kInstallTimeout));

    EXPECT_EQ(L"安装运行库", ui::ControlText(window, setup::kStatus));

    // The worker is waiting for it; Cancel with Yes does not.
    const DWORD start = GetTickCount();
    CancelWithAnswer(window, IDYES);
    ExpectEnds(5000, kExitUserCancelled);
    EXPECT_LT(GetTickCount() - start, 5000u);
    // The runtime installer was neither waited for nor stopped.
    EXPECT_TRUE(ProcessRuns(L"vcredist_x86.exe"));
}

TEST_F(Interactive, CloseRequestMinimisesAndInstallationGoesOn)
{
    HWND window = StartWindowed();
    ASSERT_NE(nullptr, window);
    ASSERT_EQ("", setup::WaitForState(installer, window, State::Ready, kStateTimeout));

    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(ui::WaitFor([&] { return IsIconic(window) != FALSE; }, kStateTimeout));
    EXPECT_TRUE(installer.Running());
    EXPECT_EQ("", setup::DifferencesFrom(window, State::Ready));

    ASSERT_TRUE(ui::ClickButton(window, setup::kInstall));
    ASSERT_EQ("", setup::WaitForState(installer, window, State::Installing, kStateTimeout));
    PostMessageW(window, WM_CLOSE, 0, 0);
    ASSERT_EQ("", setup::WaitForState(installer, window, State::Finished, kInstallTimeout));
    EXPECT_TRUE(IsIconic(window));

    ASSERT_TRUE(ui::ClickButton(window, setup::kCancelFinish));
    ExpectEnds();
}

}  // namespace
}  // namespace e2e

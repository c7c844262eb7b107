#include "scenario.h"

#include <shlobj.h>

namespace e2e {

std::wstring SetupProgram()
{
    return ui::WindowsPathOfHost(TOLVANE_SETUP_EXE);
}

std::wstring StubProgram()
{
    return ui::WindowsPathOfHost(TOLVANE_STUB_EXE);
}

std::wstring StubLibrary()
{
    return ui::WindowsPathOfHost(TOLVANE_STUBCTL_DLL);
}

std::wstring TamperedIndexStream()
{
    return ui::WindowsPathOfHost(TOLVANE_TAMPERED_INDEX_STREAM);
}

std::wstring TamperedDataStream()
{
    return ui::WindowsPathOfHost(TOLVANE_TAMPERED_DATA_STREAM);
}

std::wstring BadIndexStream()
{
    return ui::WindowsPathOfHost(TOLVANE_BAD_INDEX_STREAM);
}

bool CopyTo(const std::wstring& source, const std::wstring& target)
{
    std::wstring folder = target.substr(0, target.find_last_of(L'\\'));
    SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    return CopyFileW(source.c_str(), target.c_str(), FALSE);
}

bool PlaceFile(const std::wstring& path)
{
    std::wstring folder = path.substr(0, path.find_last_of(L'\\'));
    SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    WriteFile(file, "x", 1, &written, nullptr);
    CloseHandle(file);
    return written == 1;
}

std::wstring ShellFolder(int csidl)
{
    wchar_t buffer[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer);
    return buffer;
}

namespace {

std::wstring WithoutTrailingBackslash(std::wstring path)
{
    while (!path.empty() && path.back() == L'\\')
        path.pop_back();
    return path;
}

// The journal line of the first start of program (a path), or null.
const setup::JournalLine* FindStart(const std::vector<setup::JournalLine>& journal, const std::wstring& program)
{
    for (const setup::JournalLine& line : journal) {
        if (!lstrcmpiW(line.program.c_str(), program.c_str()))
            return &line;
    }
    return nullptr;
}

}  // namespace

std::string WaitForFinishActions()
{
    const std::wstring folder = setup::InstallFolder();
    const std::wstring client = folder + L"Tolvane.exe";
    const std::wstring server = folder + L"OESRPC_win32\\SwOESServer.exe";
    std::vector<setup::JournalLine> journal;
    ui::WaitFor(
        [&] {
            journal = setup::ReadJournal();
            return FindStart(journal, client) && FindStart(journal, server);
        },
        kStateTimeout);
    std::string why;
    const setup::JournalLine* started = FindStart(journal, client);
    if (!started)
        why += "the client was not started\n";
    else if (started->commandLine != L"NoRunGUI" ||
             lstrcmpiW(WithoutTrailingBackslash(started->folder).c_str(), WithoutTrailingBackslash(folder).c_str()))
        why += "the client was started with \"" + ui::Utf8(started->commandLine) + "\" in " +
               ui::Utf8(started->folder) + "\n";
    started = FindStart(journal, server);
    if (!started)
        why += "the reader server was not started\n";
    else if (!started->commandLine.empty())
        why += "the reader server was started with \"" + ui::Utf8(started->commandLine) + "\"\n";
    return why;
}

void SetupScenario::SetUp()
{
    if (!setup::FileExists(SetupProgram()))
        GTEST_SKIP() << "no installer at " << TOLVANE_SETUP_EXE;
    setup::ClearJournal();
    setup::DeleteTemporaryPayload();
}

void SetupScenario::InstallSilently()
{
    setup::ClearJournal();
    ui::Process run;
    ASSERT_TRUE(run.Start(SetupProgram(), L"-s"));
    setup::RunRecord record = setup::WatchUntilExit(run, kInstallTimeout, nullptr);
    ASSERT_TRUE(record.exited);
    EXPECT_EQ(0u, record.exitCode);
    EXPECT_TRUE(record.boxes.empty());
    EXPECT_EQ("", WaitForFinishActions());
}

HWND SetupScenario::StartWindowed(const std::wstring& arguments, const std::wstring& program)
{
    if (!installer.Start(program.empty() ? SetupProgram() : program, arguments))
        return nullptr;
    return setup::WaitForWindow(installer, kWindowTimeout);
}

void SetupScenario::CancelWithAnswer(HWND window, int answer)
{
    ASSERT_TRUE(ui::ClickButton(window, setup::kCancelFinish));
    ui::MessageBoxInfo box;
    ASSERT_TRUE(setup::WaitForMessageBox(installer, window, kStateTimeout, &box));
    EXPECT_EQ(L"提示", box.caption);
    EXPECT_EQ(L"您确定要取消安装吗?", box.text);
    EXPECT_EQ(window, box.owner);
    ASSERT_TRUE(ui::AnswerMessageBox(box, answer));
}

void SetupScenario::ExpectEnds(DWORD timeoutMs, DWORD expectedExitCode)
{
    DWORD exitCode = 0;
    ASSERT_TRUE(installer.WaitForExit(timeoutMs, &exitCode)) << "the installer still runs";
    EXPECT_EQ(expectedExitCode, exitCode) << "exit code 0x" << std::hex << exitCode;
}

}  // namespace e2e

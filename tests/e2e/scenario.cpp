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

void SetupScenario::SetUp()
{
    if (!setup::FileExists(SetupProgram()))
        GTEST_SKIP() << "no installer at " << TOLVANE_SETUP_EXE;
    setup::ClearJournal();
    setup::DeleteTemporaryPayload();
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

void SetupScenario::ExpectEnds(DWORD timeoutMs)
{
    DWORD exitCode = 0;
    ASSERT_TRUE(installer.WaitForExit(timeoutMs, &exitCode)) << "the installer still runs";
    EXPECT_EQ(0u, exitCode) << "exit code 0x" << std::hex << exitCode;
}

}  // namespace e2e

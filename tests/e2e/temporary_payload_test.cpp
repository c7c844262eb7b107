// The four temporary payload files: made anew by the installer, held so that
// no other program can write, rename or delete them while the installation
// relies on them, and gone when it is done.
#include "scenario.h"

#include <string>
#include <vector>

namespace e2e {
namespace {

class TemporaryPayload : public SetupScenario {};

// What another program gets when it tries to write, rename or delete path:
// empty when every attempt was refused, else what was let through.
std::string TryToTamperWith(const std::wstring& path)
{
    std::string let;
    if (!setup::FileExists(path))
        return "missing";
    HANDLE writer = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    if (writer != INVALID_HANDLE_VALUE) {
        CloseHandle(writer);
        let += "write ";
    }
    if (MoveFileW(path.c_str(), (path + L".moved").c_str())) {
        MoveFileW((path + L".moved").c_str(), path.c_str());
        let += "rename ";
    }
    if (DeleteFileW(path.c_str()))
        let += "delete ";
    return let;
}

// A Unix symbolic link at link pointing to target (both Windows paths in the
// prefix): what Wine shows as a reparse point. Made by ln, which Wine starts
// as it starts any program, Unix ones too.
bool MakeUnixLink(const std::wstring& target, const std::wstring& link)
{
    using UnixName = char*(CDECL*)(const wchar_t*);
    auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!unixName)
        return false;
    char* from = unixName(target.c_str());
    char* at = unixName(link.c_str());
    if (!from || !at)
        return false;
    std::string command = std::string("/bin/ln -s \"") + from + "\" \"" + at + "\"";
    HeapFree(GetProcessHeap(), 0, from);
    HeapFree(GetProcessHeap(), 0, at);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA("Z:\\bin\\ln", &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return false;
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    // Wine does not wait for a Unix program: watch for its work instead.
    return ui::WaitFor([&] { return GetFileAttributesW(link.c_str()) != INVALID_FILE_ATTRIBUTES; }, 10000);
}

// A file of the payload held open by another program without sharing keeps
// the extraction waiting on its question; meanwhile the four files are
// probed. After the run none of them remains.
TEST_F(TemporaryPayload, NobodyElseMayTouchThemWhileTheInstallationRunsAndNoneRemains)
{
    const std::wstring held = setup::InstallFolder() + L"使用说明.txt";
    ASSERT_TRUE(PlaceFile(held));
    HANDLE holder = CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);

    ASSERT_TRUE(installer.Start(SetupProgram(), L"-s"));
    std::vector<std::string> tampering;
    setup::RunRecord run = setup::WatchUntilExit(installer, kInstallTimeout, [&](const ui::MessageBoxInfo& box) {
        if (box.text.rfind(L"无法写入文件，是否忽略？", 0) != 0)
            return IDOK;
        for (const wchar_t* name : setup::kPayloadFiles)
            tampering.push_back(ui::Utf8(name) + ": " + TryToTamperWith(setup::TempFolder() + name));
        return IDYES;
    });
    CloseHandle(holder);
    EXPECT_TRUE(run.exited);
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_EQ(std::vector<std::string>({"setupdir.qvai: ", "setupdir.qvas: ", "windir.qvai: ", "windir.qvas: "}),
              tampering);
    for (const wchar_t* name : setup::kPayloadFiles) {
        EXPECT_FALSE(setup::FileExists(setup::TempFolder() + name)) << ui::Utf8(name);
        EXPECT_FALSE(setup::FileExists(setup::TempFolder() + name + L".moved")) << ui::Utf8(name);
    }
}

// A link planted under the name of the data file is not written through: the
// file it points to keeps its bytes, and the installation is whole.
TEST_F(TemporaryPayload, ALinkPlantedUnderTheDataFileNameIsNotWrittenThrough)
{
    const std::wstring other = setup::TempFolder() + L"planted\\other.bin";
    ASSERT_TRUE(PlaceFile(other));
    const long long otherSize = setup::FileSize(other);
    HANDLE read = CreateFileW(other.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, read);
    char before[256] = {};
    DWORD got = 0;
    ReadFile(read, before, sizeof before, &got, nullptr);
    CloseHandle(read);
    ASSERT_TRUE(MakeUnixLink(other, setup::TempFolder() + L"setupdir.qvas"));

    ASSERT_TRUE(installer.Start(SetupProgram(), L"-s"));
    setup::RunRecord run = setup::WatchUntilExit(installer, kInstallTimeout, nullptr);
    EXPECT_TRUE(run.exited);
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_TRUE(run.boxes.empty());
    for (const wchar_t* name : {L"Tolvane.exe", L"使用说明.txt", L"Reader_Pro\\propertytemplate\\印章\\签章模板.xml"})
        EXPECT_GT(setup::FileSize(setup::InstallFolder() + name), 0) << ui::Utf8(name);

    EXPECT_EQ(otherSize, setup::FileSize(other));
    read = CreateFileW(other.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, read);
    char after[256] = {};
    ReadFile(read, after, sizeof after, &got, nullptr);
    CloseHandle(read);
    EXPECT_EQ(std::string(before, sizeof before), std::string(after, sizeof after));
    EXPECT_FALSE(setup::FileExists(setup::TempFolder() + L"setupdir.qvas"));
}

}  // namespace
}  // namespace e2e

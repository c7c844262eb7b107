// The stub programs that the sample payload is made of, as other tests rely on
// them: their journal lines, which ones keep running, the control library's
// registration, and a process that holds a library loaded.
#include "scenario.h"

#include <psapi.h>

namespace e2e {
namespace {

bool JournalHas(const std::wstring& program, const std::wstring& commandLine, const std::wstring& folder = L"")
{
    for (const setup::JournalLine& line : setup::ReadJournal())
        if (line.program == program && line.commandLine == commandLine && (folder.empty() || line.folder == folder))
            return true;
    return false;
}

std::vector<std::wstring> ModulesOf(DWORD pid)
{
    std::vector<std::wstring> paths;
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!process)
        return paths;
    HMODULE modules[1024];
    DWORD needed = 0;
    if (EnumProcessModules(process, modules, sizeof modules, &needed)) {
        for (DWORD i = 0; i < needed / sizeof(HMODULE) && i < 1024; ++i) {
            wchar_t path[MAX_PATH] = {};
            GetModuleFileNameExW(process, modules[i], path, MAX_PATH);
            paths.push_back(path);
        }
    }
    CloseHandle(process);
    return paths;
}

class Stubs : public ::testing::Test {
protected:
    void SetUp() override
    {
        setup::ClearJournal();
        folder = setup::TempFolder() + L"stubs";
    }
    std::wstring folder;
};

TEST_F(Stubs, ProgramsJournalAndKeepRunningByName)
{
    struct Case {
        const wchar_t* name;
        const wchar_t* arguments;
        bool keepsRunning;
    };
    const Case cases[] = {
        {L"ImportRootCert.exe", L"/q \"a b\"", false},
        {L"Tolvane.exe", L"NoRunGUI", true},
        {L"SwOESServer.exe", L"", true},
        {L"使用工具.exe", L"--stub-exit=7", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(ui::Utf8(c.name));
        std::wstring program = folder + L"\\" + c.name;
        ASSERT_TRUE(CopyTo(StubProgram(), program));
        ui::Process stub;
        ASSERT_TRUE(stub.Start(program, c.arguments, folder));
        DWORD exitCode = 0;
        EXPECT_EQ(!c.keepsRunning, stub.WaitForExit(c.keepsRunning ? 1000 : kEndTimeout, &exitCode));
        ASSERT_TRUE(ui::WaitFor([&] { return JournalHas(program, c.arguments, folder); }, kEndTimeout));
        if (!c.keepsRunning) {
            EXPECT_EQ(wcsstr(c.arguments, L"--stub-exit=7") ? 7u : 0u, exitCode);
        }
    }
}

TEST_F(Stubs, ControlLibraryJournalsItsRegistration)
{
    std::wstring library = folder + L"\\数字证书组件.dll";
    ASSERT_TRUE(CopyTo(StubLibrary(), library));
    for (const wchar_t* entry : {L"DllRegisterServer", L"DllUnregisterServer"}) {
        ui::Process registrar;
        std::wstring switches = wcscmp(entry, L"DllRegisterServer") ? L"/s /u" : L"/s";
        ASSERT_TRUE(registrar.Start(L"C:\\windows\\system32\\regsvr32.exe", switches + L" \"" + library + L"\"", folder));
        ASSERT_TRUE(registrar.WaitForExit(kEndTimeout));
        EXPECT_TRUE(JournalHas(library, entry, folder)) << ui::Utf8(entry);
    }
}

TEST_F(Stubs, StubHoldsALibraryLoaded)
{
    std::wstring library = folder + L"\\TolvaneSKF.dll";
    std::wstring program = folder + L"\\KSecServ.exe";
    ASSERT_TRUE(CopyTo(StubLibrary(), library));
    ASSERT_TRUE(CopyTo(StubProgram(), program));
    ui::Process stub;
    ASSERT_TRUE(stub.Start(program, L"--stub-load=\"" + library + L"\""));
    bool loaded = ui::WaitFor(
        [&] {
            for (const std::wstring& path : ModulesOf(stub.Id()))
                if (!lstrcmpiW(path.c_str(), library.c_str()))
                    return true;
            return false;
        },
        kEndTimeout);
    EXPECT_TRUE(loaded);
    EXPECT_TRUE(stub.Running());
}

}  // namespace
}  // namespace e2e

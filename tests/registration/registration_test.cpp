// The registration steps with Wine's own regedit and regsvr32: the registry
// files of the sample payload imported in their platform's variant, in table
// order, and the stub controls registered (their keys appear).
#include "install/dotnet_prerequisite.h"
#include "install/platform_probe.h"
#include "install/registration.h"
#include "install/registration_tables.h"

#include <gtest/gtest.h>

#include <shlobj.h>
#include <shlwapi.h>

#include "win_fixture.h"

namespace {

using fixture::Narrow;
using fixture::Wide;

const wchar_t kSampleKey[] = L"SOFTWARE\\TolvaneSample";

struct Command {
    std::string program;
    std::string parameterTemplate;
    std::string folder;
};
std::vector<Command> g_commands;

// Records each command, then runs it for real.
void RecordAndRun(const char* program, const char* parameterTemplate, const std::string& folder)
{
    g_commands.push_back({program, parameterTemplate, folder});
    RunAndWait(program, parameterTemplate, folder);
}

void RecordOnly(const char* program, const char* parameterTemplate, const std::string& folder)
{
    g_commands.push_back({program, parameterTemplate, folder});
}

int g_probes;
UINT WINAPI FailsNotImplemented(LPWSTR, UINT)
{
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return 0;
}
UINT WINAPI FailsOtherwise(LPWSTR, UINT)
{
    SetLastError(ERROR_ACCESS_DENIED);
    return 0;
}
UINT WINAPI Succeeds(LPWSTR buffer, UINT)
{
    lstrcpyW(buffer, L"C:\\windows\\syswow64");
    return 19;
}
bool ProbeSays32Bit()
{
    ++g_probes;
    return Is64BitByWow64Directory(FailsNotImplemented);
}

// The variant rows and the plain rows, with the expected file of each.
std::vector<std::string> ExpectedRegFiles(const char* variant)
{
    std::vector<std::string> files;
    for (const char* base : {"Halvor RSA CSP v1.0", "Halvor SM2 CSP v1.0", "Halvor CSP Settings",
                             "DMWZ eSafe CSP for PRAVIK v1.0", "Longmai mToken GM3000 CSP V1.1", "SwOESServer1",
                             "SwOESServer2"})
        files.push_back(std::string(base) + variant);
    for (const char* file : {"ocx.reg", "ocx1.reg", "reg.reg"})
        files.push_back(file);
    return files;
}

class Registration : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_commands.clear();
        g_probes = 0;
        setup::ClearJournal();
        SHDeleteKeyW(HKEY_LOCAL_MACHINE, kSampleKey);
        install = fixture::FreshFolder(L"安装 目录") + L"\\";
    }
    std::wstring install;
};

TEST_F(Registration, ProbeFollowsTheWow64DirectoryCall)
{
    EXPECT_FALSE(Is64BitByWow64Directory(FailsNotImplemented));
    EXPECT_TRUE(Is64BitByWow64Directory(FailsOtherwise));
    EXPECT_TRUE(Is64BitByWow64Directory(Succeeds));
    // 64-bit Wine, for the 32-bit installer as for the 64-bit build.
    EXPECT_TRUE(ProbeIs64BitPlatform());
}

TEST_F(Registration, RegistryFilesImportedInTheirPlatformsVariantInTableOrder)
{
    const std::wstring reg = install + L"Reg";
    ASSERT_TRUE(SHCreateDirectoryExW(nullptr, reg.c_str(), nullptr) == ERROR_SUCCESS);
    for (const std::string& file : ExpectedRegFiles(" 64.reg"))
        ASSERT_TRUE(fixture::CopyTo(fixture::SamplePayloadSetup() + L"\\Reg\\" + Wide(file), reg + L"\\" + Wide(file)));

    ImportRegistryFiles(Narrow(install), RecordAndRun);

    const std::vector<std::string> expected = ExpectedRegFiles(" 64.reg");
    ASSERT_EQ(expected.size(), g_commands.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ("regedit.exe", g_commands[i].program);
        EXPECT_EQ("/s \"%s\\Reg\\" + expected[i] + "\"", g_commands[i].parameterTemplate);
        EXPECT_EQ(Narrow(install), g_commands[i].folder);
    }

    // What the files wrote: the 64-bit variants' values, the plain rows', and Chinese names and data.
    for (const std::string& file : expected) {
        std::wstring value;
        ASSERT_TRUE(fixture::ReadStringInAnyView(HKEY_LOCAL_MACHINE, std::wstring(kSampleKey) + L"\\RegImport", Wide(file),
                                        value))
            << file;
        EXPECT_EQ(file.find(" 64.reg") != std::string::npos ? L"64" : L"-", value) << file;
    }
    std::wstring value;
    ASSERT_TRUE(fixture::ReadStringInAnyView(HKEY_LOCAL_MACHINE,
                                             std::wstring(kSampleKey) + L"\\平台\\Longmai mToken GM3000 CSP V1.1",
                                             L"位数", value));
    EXPECT_EQ(L"64位系统", value);
    ASSERT_TRUE(
        fixture::ReadStringInAnyView(HKEY_LOCAL_MACHINE, std::wstring(kSampleKey) + L"\\产品", L"名称", value));
    EXPECT_EQ(L"Halvor数字证书和电子签章客户端", value);
}

TEST_F(Registration, ProbeFailingWithNotImplementedChoosesThe32BitVariantsAskedTwice)
{
    ImportRegistryFiles(Narrow(install), RecordOnly, ProbeSays32Bit);
    EXPECT_EQ(2, g_probes);
    const std::vector<std::string> expected = ExpectedRegFiles(" 32.reg");
    ASSERT_EQ(expected.size(), g_commands.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ("/s \"%s\\Reg\\" + expected[i] + "\"", g_commands[i].parameterTemplate);
}

class Controls : public Registration {
protected:
    void SetUp() override
    {
        Registration::SetUp();
        system = fixture::ShellFolder(CSIDL_SYSTEM) + L"\\";
        for (size_t i = 0; i < ControlRegistrationTableSize; ++i) {
            const ControlRegistrationRow& row = ControlRegistrationTable[i];
            if (row.action != ControlAction::Register)
                continue;
            ASSERT_TRUE(fixture::CopyTo(fixture::StubLibrary(), FolderOf(row) + Wide(row.fileName)));
        }
    }

    std::wstring FolderOf(const ControlRegistrationRow& row) const
    {
        return row.folder == ControlRowFolder::System          ? system
               : row.folder == ControlRowFolder::InstallReader ? install + L"Reader_Pro\\"
                                                               : install;
    }

    static std::wstring ControlKey(const char* fileName)
    {
        return std::wstring(kSampleKey) + L"\\Controls\\" + Wide(fileName);
    }

    // The rows registered: each control's own key is there.
    void ExpectRegistered()
    {
        for (size_t i = 0; i < ControlRegistrationTableSize; ++i) {
            const ControlRegistrationRow& row = ControlRegistrationTable[i];
            if (row.action == ControlAction::Register) {
                EXPECT_TRUE(fixture::KeyExistsInAnyView(HKEY_LOCAL_MACHINE, ControlKey(row.fileName)))
                    << row.fileName;
            }
        }
    }

    std::wstring system;
};

TEST_F(Controls, RegisteredTheOldControlRemovedTheDriverSetupRun)
{
    // The old control in the system folder, registered.
    const std::wstring oldControl = system + L"NUVRASOF.ocx";
    ASSERT_TRUE(fixture::CopyTo(fixture::StubLibrary(), oldControl));
    RunAndWait("regsvr32.exe", "/s \"%s\\NUVRASOF.ocx\"", Narrow(system));
    ASSERT_TRUE(fixture::KeyExistsInAnyView(HKEY_LOCAL_MACHINE, ControlKey("NUVRASOF.ocx")));
    const std::wstring driverSetup = install + L"AHCAHDDriverSetup.exe";
    ASSERT_TRUE(fixture::CopyTo(fixture::StubProgram(), driverSetup));
    setup::ClearJournal();

    RegisterControls(Narrow(install), Narrow(system), RecordAndRun);

    ExpectRegistered();
    EXPECT_FALSE(fixture::KeyExistsInAnyView(HKEY_LOCAL_MACHINE, ControlKey("NUVRASOF.ocx")));
    EXPECT_FALSE(fixture::Exists(oldControl));
    std::vector<setup::JournalLine> unregistered = fixture::JournalOf(oldControl);
    ASSERT_EQ(1u, unregistered.size());
    EXPECT_EQ(L"DllUnregisterServer", unregistered[0].commandLine);

    // The driver setup: no parameters, the installation folder as working folder.
    std::vector<setup::JournalLine> driver = fixture::JournalOf(driverSetup);
    ASSERT_EQ(1u, driver.size());
    EXPECT_EQ(L"", driver[0].commandLine);

    // The commands, in table order.
    ASSERT_EQ(ControlRegistrationTableSize, g_commands.size());
    EXPECT_EQ("/s \"%s\\TolvaneFileAccess.dll\"", g_commands[0].parameterTemplate);
    EXPECT_EQ(Narrow(system), g_commands[0].folder);
    EXPECT_EQ("/s /u \"%s\\NUVRASOF.ocx\"", g_commands[11].parameterTemplate);
    EXPECT_EQ(Narrow(system), g_commands[11].folder);
    EXPECT_EQ("/s \"%s\\suwellreaderax.dll\"", g_commands[15].parameterTemplate);
    EXPECT_EQ(Narrow(install + L"Reader_Pro"), g_commands[15].folder);
    EXPECT_EQ("AHCAHDDriverSetup.exe", g_commands[16].program);
    EXPECT_EQ("", g_commands[16].parameterTemplate);
    EXPECT_EQ(Narrow(install), g_commands[16].folder);
}

TEST_F(Controls, MissingOldControlAndDriverSetupChangeNothingElse)
{
    RegisterControls(Narrow(install), Narrow(system), RecordAndRun);

    // The row after the old control's is still registered; the driver setup never runs.
    ExpectRegistered();
    ASSERT_EQ(ControlRegistrationTableSize - 1, g_commands.size());
    EXPECT_EQ("/s \"%s\\TolvaneSecurityX.ocx\"", g_commands[12].parameterTemplate);
    for (const Command& command : g_commands)
        EXPECT_NE("AHCAHDDriverSetup.exe", command.program);
}

class StatusTexts : public StatusLine {
public:
    void SetStatus(const char* text) override { texts.push_back(text); }
    std::vector<std::string> texts;
};

TEST(NetFramework4, RunOnlyWhereItsKeyIsMissing)
{
    const wchar_t kKey[] = L"SOFTWARE\\Microsoft\\.NETFramework\\v4.0.30319";
    const std::wstring install = fixture::FreshFolder(L"框架") + L"\\";
    const std::wstring program = install + L"dotNetFx40_Full_x86_x64.exe";
    ASSERT_TRUE(fixture::CopyTo(fixture::StubProgram(), program));

    // The key present (in this program's view, the installer's): no status, no launch.
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr));
    RegCloseKey(key);
    setup::ClearJournal();
    StatusTexts present;
    InstallNetFramework4WhenMissing(present, Narrow(install));
    EXPECT_TRUE(present.texts.empty());
    EXPECT_TRUE(fixture::JournalOf(program).empty());

    // The key missing: the status text, then the installer with its parameters.
    ASSERT_EQ(ERROR_SUCCESS, SHDeleteKeyW(HKEY_LOCAL_MACHINE, kKey));
    StatusTexts missing;
    InstallNetFramework4WhenMissing(missing, Narrow(install));
    EXPECT_EQ(std::vector<std::string>{"安装.NET环境"}, missing.texts);
    std::vector<setup::JournalLine> lines = fixture::JournalOf(program);
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ(L"/passive /promptrestart /log %temp%dotNetFx40_Tolvane.htm", lines[0].commandLine);
}

}  // namespace

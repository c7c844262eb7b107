// The cleanup plan on a prefix prepared as an earlier installation, and on
// prefixes that lack parts of one.
#include "cleanup/cleanup_earlier_installation.h"
#include "cleanup/cleanup_tables.h"
#include "cleanup/system_file_list.h"
#include "payload/container.h"

#include "sysint/run_and_wait.h"

#include <gtest/gtest.h>

#include <shlobj.h>
#include <shlwapi.h>

#include "win_fixture.h"

namespace {

using fixture::Exists;
using fixture::PlaceFile;

std::string N(const std::wstring& text)
{
    return fixture::Narrow(text);
}

const wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t kGroup[] = L"Halvor数字证书和电子签章客户端";

std::string Record(const std::wstring& name)
{
    std::string record(kSystemFileRecord, '\0');
    std::string narrow = N(name);
    record.replace(0, narrow.size(), narrow);
    return record;
}

std::wstring ControlKey(const std::wstring& fileName)
{
    return L"SOFTWARE\\TolvaneSample\\Controls\\" + fileName;
}

bool SetRunValue(const wchar_t* name)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kRunKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr))
        return false;
    const wchar_t data[] = L"C:\\x.exe";
    bool ok = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data), sizeof data) == 0;
    RegCloseKey(key);
    return ok;
}

bool RunValueExists(const wchar_t* name)
{
    return RegGetValueW(HKEY_LOCAL_MACHINE, kRunKey, name, RRF_RT_ANY, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

class CleanupPlan : public ::testing::Test {
protected:
    void SetUp() override
    {
        setup::ClearJournal();
        install = fixture::ShellFolder(CSIDL_PROGRAM_FILES) + L"\\TolvaneKelm\\";
        system = fixture::ShellFolder(CSIDL_SYSTEM) + L"\\";
        documents = fixture::ShellFolder(CSIDL_PERSONAL) + L"\\";
        desktop = fixture::ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + L"\\";
        group = fixture::ShellFolder(CSIDL_COMMON_PROGRAMS) + L"\\" + kGroup;
    }

    void TearDown() override
    {
        SetEnvironmentVariableW(L"TOLVANE_STUB_LINGER", nullptr);
        for (const wchar_t* name : {L"HalvorClient.exe", L"HalvorCertMgr.exe", L"Tolvane.exe", L"regsvr32.exe"})
            fixture::EndProcesses(name);
    }

    // Copies of the stub control under the unregistration list's names, registered.
    void RegisterEarlierControls()
    {
        for (size_t i = 0; i < ControlUnregistrationTableSize; ++i) {
            const ControlUnregistrationRow& row = ControlUnregistrationTable[i];
            const std::wstring folder = row.folder == ControlFolder::System ? system : install;
            ASSERT_TRUE(fixture::CopyTo(fixture::StubLibrary(), folder + fixture::Wide(row.fileName)));
            RunAndWait("regsvr32.exe", (std::string("/s \"%s\\") + row.fileName + "\"").c_str(), N(folder));
            ASSERT_TRUE(fixture::KeyExistsInAnyView(HKEY_LOCAL_MACHINE, ControlKey(fixture::Wide(row.fileName))))
                << row.fileName;
        }
    }

    // A stub running under name from folder.
    void StartStub(ui::Process& process, const std::wstring& name)
    {
        const std::wstring program = setup::TempFolder() + L"旧程序\\" + name;
        ASSERT_TRUE(fixture::CopyTo(fixture::StubProgram(), program));
        ASSERT_TRUE(process.Start(program, L"--stub-stay"));
        ASSERT_TRUE(ui::WaitFor([&] { return fixture::CountProcesses(name) > 0; }, 10000));
    }

    std::wstring install, system, documents, desktop, group;
};

TEST_F(CleanupPlan, EarlierInstallationIsRemovedExceptTheSharedRuntimeFiles)
{
    // The installation folder, with the list of its system files.
    ASSERT_TRUE(PlaceFile(install + L"Tolvane.exe"));
    ASSERT_TRUE(PlaceFile(install + L"Reader_Pro\\reader.ini"));
    SetFileAttributesW((install + L"Reader_Pro\\reader.ini").c_str(), FILE_ATTRIBUTE_READONLY);
    const wchar_t* systemFiles[] = {L"TolvaneSKF.dll", L"数字证书组件.dll", L"TolvaneKelm\\skf.ini", L"atl100u.dll",
                                    L"mfc70.dll.bak", L"WINSCARD.DLL"};
    std::string list;
    for (const wchar_t* name : systemFiles) {
        ASSERT_TRUE(PlaceFile(system + name));
        list += Record(name);
    }
    ASSERT_TRUE(PlaceFile(install + L"sysdir.hash", list));

    // Shortcuts, the program group, history files, start-up values.
    for (size_t i = 0; i < EarlierDesktopShortcutsSize; ++i)
        ASSERT_TRUE(PlaceFile(desktop + fixture::Wide(EarlierDesktopShortcuts[i])));
    ASSERT_TRUE(PlaceFile(desktop + L"其他.lnk"));
    ASSERT_TRUE(PlaceFile(group + L"\\卸载.lnk"));
    ASSERT_TRUE(PlaceFile(group + L"\\工具\\证书工具.lnk"));
    for (const wchar_t* name : {L"TolvaneFirstNewsHistory", L"TolvaneNewsHistory", L"TolvaneNoticeHistory"})
        ASSERT_TRUE(PlaceFile(documents + name));
    for (const wchar_t* name : {L"TolvaneKelm_Tolvane", L"TolvaneKelm_TolvaneUpdate", L"Other"})
        ASSERT_TRUE(SetRunValue(name));

    // The 36 keys, each with a sub key and values.
    for (size_t i = 0; i < EarlierKeyTableSize; ++i)
        ASSERT_TRUE(fixture::CreateKeyWithSubKey(HKEY_LOCAL_MACHINE, fixture::Wide(EarlierKeyTable[i].subKey)))
            << EarlierKeyTable[i].subKey;

    RegisterEarlierControls();

    // Programs of the first list only, of both, of the second only.
    ui::Process first, both, second;
    StartStub(first, L"HalvorClient.exe");
    StartStub(both, L"HalvorCertMgr.exe");
    StartStub(second, L"Tolvane.exe");
    setup::ClearJournal();

    CleanupEarlierInstallation();

    EXPECT_EQ(0, fixture::CountProcesses(L"HalvorClient.exe"));
    EXPECT_EQ(0, fixture::CountProcesses(L"HalvorCertMgr.exe"));
    EXPECT_EQ(0, fixture::CountProcesses(L"Tolvane.exe"));

    EXPECT_FALSE(Exists(install));
    for (const wchar_t* name : {L"TolvaneSKF.dll", L"数字证书组件.dll", L"TolvaneKelm\\skf.ini", L"WINSCARD.DLL"})
        EXPECT_FALSE(Exists(system + name)) << ui::Utf8(name);
    EXPECT_TRUE(Exists(system + L"atl100u.dll"));
    EXPECT_TRUE(Exists(system + L"mfc70.dll.bak"));

    for (size_t i = 0; i < EarlierDesktopShortcutsSize; ++i)
        EXPECT_FALSE(Exists(desktop + fixture::Wide(EarlierDesktopShortcuts[i]))) << EarlierDesktopShortcuts[i];
    EXPECT_TRUE(Exists(desktop + L"其他.lnk"));
    EXPECT_FALSE(Exists(group));
    EXPECT_FALSE(Exists(documents + L"TolvaneNewsHistory"));
    EXPECT_FALSE(RunValueExists(L"TolvaneKelm_Tolvane"));
    EXPECT_FALSE(RunValueExists(L"TolvaneKelm_TolvaneUpdate"));
    EXPECT_TRUE(RunValueExists(L"Other"));

    for (size_t i = 0; i < EarlierKeyTableSize; ++i) {
        HKEY key = nullptr;
        EXPECT_NE(ERROR_SUCCESS,
                  RegOpenKeyExW(HKEY_LOCAL_MACHINE, fixture::Wide(EarlierKeyTable[i].subKey).c_str(), 0, KEY_READ, &key))
            << EarlierKeyTable[i].subKey;
        if (key)
            RegCloseKey(key);
    }

    // Every control unregistered, in list order, each in its folder.
    std::vector<setup::JournalLine> journal;
    for (const setup::JournalLine& line : setup::ReadJournal())
        if (line.commandLine == L"DllUnregisterServer")
            journal.push_back(line);
    ASSERT_EQ(ControlUnregistrationTableSize, journal.size());
    for (size_t i = 0; i < ControlUnregistrationTableSize; ++i) {
        const ControlUnregistrationRow& row = ControlUnregistrationTable[i];
        const std::wstring folder = row.folder == ControlFolder::System ? system : install;
        EXPECT_EQ(0, lstrcmpiW((folder + fixture::Wide(row.fileName)).c_str(), journal[i].program.c_str()))
            << ui::Utf8(journal[i].program);
        EXPECT_EQ(L"DllUnregisterServer", journal[i].commandLine);
        EXPECT_FALSE(fixture::KeyExistsInAnyView(HKEY_LOCAL_MACHINE, ControlKey(fixture::Wide(row.fileName))))
            << row.fileName;
    }

    // The current folder is left at Program Files.
    wchar_t current[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, current);
    EXPECT_EQ(0, lstrcmpiW(fixture::ShellFolder(CSIDL_PROGRAM_FILES).c_str(), current)) << ui::Utf8(current);
}

TEST_F(CleanupPlan, NoRunKeyNoInstallationFolderAndAnUnregistrationThatOutlivesItsWait)
{
    // The registrar of the system folder's library hangs in its unregistration.
    const std::wstring library = system + L"TolvaneFileAccess.dll";
    ASSERT_TRUE(fixture::CopyTo(fixture::StubLibrary(), library));
    RunAndWait("regsvr32.exe", "/s \"%s\\TolvaneFileAccess.dll\"", N(system));
    SetEnvironmentVariableW(L"TOLVANE_STUB_LINGER", L"TolvaneFileAccess.dll=60000");
    ASSERT_EQ(ERROR_SUCCESS, SHDeleteKeyW(HKEY_LOCAL_MACHINE, kRunKey));
    ASSERT_TRUE(fixture::CreateKeyWithSubKey(HKEY_LOCAL_MACHINE, L"SOFTWARE\\WatchData\\WatchData CRW\\Parameter"));
    ASSERT_TRUE(PlaceFile(system + L"TolvaneSKF.dll"));
    ASSERT_FALSE(Exists(install));

    const DWORD start = GetTickCount();
    CleanupEarlierInstallation();
    const DWORD took = fixture::Since(start);

    // One wait ran to its bound and not to the registrar's end (60 s); the
    // registrar still runs. The other launches of the plan take the rest.
    EXPECT_GE(took, kRunAndWaitTimeoutMs - 100);
    EXPECT_LT(took, 45000u);
    EXPECT_EQ(1, fixture::CountProcesses(L"regsvr32.exe"));
    // The plan went on to its end: the keys are gone; nothing of the system folder was deleted.
    EXPECT_FALSE(fixture::KeyExistsInAnyView(HKEY_LOCAL_MACHINE, L"SOFTWARE\\WatchData"));
    EXPECT_TRUE(Exists(system + L"TolvaneSKF.dll"));
    EXPECT_FALSE(Exists(install));
}

TEST_F(CleanupPlan, FolderWithoutSystemFileListIsStillRemoved)
{
    ASSERT_TRUE(PlaceFile(install + L"Tolvane.exe"));
    ASSERT_TRUE(PlaceFile(install + L"Reg\\reg.reg"));
    ASSERT_TRUE(PlaceFile(system + L"TolvaneSKF.dll"));

    CleanupEarlierInstallation();

    EXPECT_FALSE(Exists(install));
    EXPECT_TRUE(Exists(system + L"TolvaneSKF.dll"));
}

}  // namespace

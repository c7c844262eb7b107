// The product's registration: associations, the uninstall entry, the start-up
// values, the PDF client selector's shortcut and the token service restart.
// HKEY_LOCAL_MACHINE values are read in the view where this build's writes
// land: the 32-bit view for the i686 build on 64-bit Windows
// (Wow6432Node), the 64-bit view for the x86_64 build.
#include "support.h"

#include "install/file_associations.h"
#include "install/pdf_client_shortcut.h"
#include "install/product_entries.h"
#include "proc/processes.h"
#include "install/token_service.h"
#include "win/shell_folder.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

namespace product_test {
namespace {

constexpr REGSAM kInstallerView = sizeof(void*) == 4 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
const std::string kFileExts = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\";

// Counts the association-change notifications the shell sends this process.
class AssociationWatch {
public:
    AssociationWatch()
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = &Proc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "ProductTestShellWatch";
        ::RegisterClassA(&wc);
        window_ = ::CreateWindowA("ProductTestShellWatch", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance,
                                  nullptr);
        SHChangeNotifyEntry entry = {nullptr, TRUE};
        id_ = ::SHChangeNotifyRegister(window_, SHCNRF_ShellLevel | SHCNRF_InterruptLevel, SHCNE_ASSOCCHANGED,
                                       kMessage, 1, &entry);
        count_ = 0;
    }
    ~AssociationWatch()
    {
        if (id_)
            ::SHChangeNotifyDeregister(id_);
        ::DestroyWindow(window_);
    }
    bool Registered() const { return id_ != 0; }
    // Handles the window's messages until count notifications have arrived
    // or boundMs has passed, whichever comes first; returns how many arrived.
    int WaitForCount(int count, DWORD boundMs)
    {
        const DWORD start = ::GetTickCount();
        for (;;) {
            MSG msg;
            while (::PeekMessageA(&msg, window_, 0, 0, PM_REMOVE))
                ::DispatchMessageA(&msg);
            const DWORD elapsed = ::GetTickCount() - start;
            if (count_ >= count || elapsed >= boundMs)
                return count_;
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, boundMs - elapsed, QS_ALLINPUT);
        }
    }

private:
    static constexpr UINT kMessage = WM_APP + 7;
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        if (msg == kMessage)
            ++count_;
        return ::DefWindowProcA(hwnd, msg, wParam, lParam);
    }
    static int count_;
    HWND window_ = nullptr;
    ULONG id_ = 0;
};
int AssociationWatch::count_ = 0;

TEST(FileAssociations, OpenWithTheClientAndTheUsersChoiceIsGone)
{
    std::string install = ScratchFolder("Tolvane 关联");
    WriteFile(install + "VOSKPdfClient.exe", "MZ");
    // The user had chosen another program, three levels deep, for both types.
    for (const char* type : {".pdf", ".edc"}) {
        SetValue(HKEY_CURRENT_USER, kFileExts + type + "\\UserChoice", "Progid", "OtherReader.pdf");
        SetValue(HKEY_CURRENT_USER, kFileExts + type + "\\OpenWithList\\a\\b", "MRUList", "a");
        SetValue(HKEY_CLASSES_ROOT, std::string(type) + "\\shell\\open\\command", nullptr, "other.exe \"%1\"");
        // ... and the extension named another program's file type.
        SetValue(HKEY_CLASSES_ROOT, type, nullptr, "OtherReader.pdf");
    }
    AssociationWatch watch;

    WriteFileAssociations(install);

    // The shell takes the open verb from the type the extension names.
    const std::string documentType = "TolvaneKelm.PdfDocument";
    EXPECT_EQ(install + "VOSKPdfClient.exe,0", ReadValue(HKEY_CLASSES_ROOT, documentType + "\\DefaultIcon", nullptr).text);
    EXPECT_EQ("\"" + install + "VOSKPdfClient.exe\" \"%1\"",
              ReadValue(HKEY_CLASSES_ROOT, documentType + "\\shell\\open\\command", nullptr).text);

    for (const char* type : {".pdf", ".edc"}) {
        SCOPED_TRACE(type);
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kFileExts + type));
        EXPECT_EQ(documentType, ReadValue(HKEY_CLASSES_ROOT, type, nullptr).text);
        StoredValue icon = ReadValue(HKEY_CLASSES_ROOT, std::string(type) + "\\DefaultIcon", nullptr);
        EXPECT_EQ(install + "VOSKPdfClient.exe,0", icon.text);
        StoredValue open = ReadValue(HKEY_CLASSES_ROOT, std::string(type) + "\\shell\\open\\command", nullptr);
        // The program path quoted: the folder has a blank.
        EXPECT_EQ("\"" + install + "VOSKPdfClient.exe\" \"%1\"", open.text);
        EXPECT_EQ(REG_SZ, open.type);
        EXPECT_EQ(open.text.size() + 1, open.length) << "the terminating zero is counted";
    }
    ASSERT_TRUE(watch.Registered());
    EXPECT_EQ(1, watch.WaitForCount(1, 5000));
}

TEST(FileAssociations, WithoutTheClientNothingIsTouched)
{
    std::string install = ScratchFolder("Tolvane 无客户端");
    SetValue(HKEY_CURRENT_USER, kFileExts + ".edc\\UserChoice", "Progid", "Mine");
    SetValue(HKEY_CLASSES_ROOT, ".edc\\shell\\open\\command", nullptr, "mine.exe \"%1\"");
    AssociationWatch watch;

    WriteFileAssociations(install);

    EXPECT_EQ("Mine", ReadValue(HKEY_CURRENT_USER, kFileExts + ".edc\\UserChoice", "Progid").text);
    EXPECT_EQ("mine.exe \"%1\"", ReadValue(HKEY_CLASSES_ROOT, ".edc\\shell\\open\\command", nullptr).text);
    ASSERT_TRUE(watch.Registered());
    // None may come: the wait ends at the first one, or after the bound.
    EXPECT_EQ(0, watch.WaitForCount(1, 500));
}

TEST(ProductEntries, UninstallEntryAndStartupValues)
{
    const std::string install = "C:\\Program Files (x86)\\TolvaneKelm\\";
    WriteUninstallEntry(install);
    WriteStartupEntries(install);

    const std::string uninstall =
        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Halvor数字证书和电子签章客户端";
    struct Expected {
        const std::string key;
        const char* name;
        std::string data;
    } expected[] = {
        {uninstall, "UninstallString", "\"" + install + "uninstall.exe\""},
        {uninstall, "DisplayIcon", install + "application.ico"},
        {uninstall, "DisplayName", "Halvor数字证书和电子签章客户端"},
        {uninstall, "DisplayVersion", "1.0.0.1"},
        {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", "TolvaneKelm_Tolvane",
         "\"" + install + "Tolvane.exe\" NoRunGUI"},
        {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", "TolvaneKelm_SwOESServer",
         "\"" + install + "OESRPC_win32\\SwOESServer.exe\""},
    };
    for (const Expected& row : expected) {
        SCOPED_TRACE(row.name);
        StoredValue value = ReadValue(HKEY_LOCAL_MACHINE, row.key, row.name, kInstallerView);
        ASSERT_TRUE(value.present);
        EXPECT_EQ(REG_SZ, value.type);
        EXPECT_EQ(row.data, value.text);
        EXPECT_EQ(row.data.size() + 1, value.length) << "the terminating zero is counted";
    }
    // The display name read back as Unicode.
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, Wide(uninstall).c_str(), 0,
                                             KEY_READ | kInstallerView, &key));
    wchar_t name[128] = {};
    DWORD size = sizeof name;
    ::RegQueryValueExW(key, L"DisplayName", nullptr, nullptr, reinterpret_cast<BYTE*>(name), &size);
    ::RegCloseKey(key);
    EXPECT_EQ(L"Halvor\u6570\u5b57\u8bc1\u4e66\u548c\u7535\u5b50\u7b7e\u7ae0\u5ba2\u6237\u7aef", std::wstring(name));
}

TEST(PdfClientShortcut, SelectorGetsItsShortcutAndTheOlderOneGoes)
{
    const std::wstring desktop = Wide(GetSpecialFolderPath(CSIDL_COMMON_DESKTOPDIRECTORY, true)) + L"\\";
    const std::wstring shortcut = desktop + L"\u901a\u7528PDF\u5ba2\u6237\u7aef.lnk";  // 通用PDF客户端
    const std::wstring older = desktop + L"\u53ef\u4fe1\u7535\u5b50\u7b7e\u7ae0\u5ba2\u6237\u7aef.lnk";  // 可信电子签章客户端
    std::string install = ScratchFolder("Tolvane 选择");

    // Without the selector: nothing happens, the older one stays.
    ::CloseHandle(::CreateFileW(older.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    CreatePdfClientShortcut(install);
    EXPECT_FALSE(ExistsWide(shortcut));
    EXPECT_TRUE(ExistsWide(older));

    WriteFile(install + "SelectCommonPdfClientTernix.exe", "MZ");
    CreatePdfClientShortcut(install);
    EXPECT_TRUE(ExistsWide(shortcut));
    EXPECT_FALSE(ExistsWide(older));
}

bool WaitUntil(bool (*condition)(), DWORD timeoutMs)
{
    DWORD start = ::GetTickCount();
    while (!condition()) {
        if (::GetTickCount() - start > timeoutMs)
            return false;
        ::Sleep(100);
    }
    return true;
}

// Only the installation's own service is started again: a copy elsewhere
// (a folder users can write) that held one of our libraries stays stopped.
TEST(TokenService, StartedOncePerListingAfterItsEngineIsStopped)
{
    UseFreshJournal();
    std::string folder = ScratchFolder("Token 服务");
    const std::string service = folder + "KSecServ.exe";
    const std::string engine = folder + "KTPKIEgn.exe";
    const std::string client = folder + "Tolvane.exe";
    const std::string elsewhere = ScratchFolder("Public 别处") + "KSecServ.exe";
    for (const std::string& copy : {service, engine, client, elsewhere})
        ASSERT_TRUE(::CopyFileA(StubProgram().c_str(), copy.c_str(), FALSE)) << copy;

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    std::string line = "\"" + engine + "\"";
    ASSERT_TRUE(::CreateProcessA(engine.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                                 &startup, &started));
    ::CloseHandle(started.hThread);
    ::CloseHandle(started.hProcess);
    ASSERT_EQ(1u, WaitForJournal(1, 10000).size());
    ASSERT_TRUE(IsProcessRunning("KTPKIEgn.exe"));

    RestartTokenService({service, "", client, elsewhere, service}, folder);

    EXPECT_TRUE(WaitUntil([] { return !IsProcessRunning("KTPKIEgn.exe"); }, 10000));
    WaitForJournal(3, 10000);
    // A further start would show within a second: the wait ends on it.
    std::vector<JournalEntry> journal = WaitForJournal(4, 1000);
    int serviceStarts = 0;
    for (const JournalEntry& entry : journal) {
        EXPECT_EQ(std::wstring::npos, entry.program.find(L"Tolvane.exe")) << "the client stays stopped";
        EXPECT_EQ(std::wstring::npos, entry.program.find(L"Public")) << "the copy elsewhere stays stopped";
        if (entry.program.find(L"KSecServ.exe") != std::wstring::npos) {
            ++serviceStarts;
            EXPECT_EQ(L"", entry.commandLine);
        }
    }
    EXPECT_EQ(2, serviceStarts);
    KillProcessByName("KSecServ.exe");
}

}  // namespace
}  // namespace product_test

// The program entry of the installer.
#include "app/setup_app.h"

#include "payload/report.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

// Loads of libraries by name come from the system folder only, so that a
// library planted beside the installer (a downloads folder, say) is never
// picked up. SetDefaultDllDirectories exists from Windows 8 on, and on
// Windows 7 with its loader update; look it up rather than import it.
void HardenLibrarySearch()
{
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    auto setDefault = kernel ? reinterpret_cast<SetDefaultDllDirectoriesFn>(
                                   reinterpret_cast<void*>(::GetProcAddress(kernel, "SetDefaultDllDirectories")))
                             : nullptr;
    if (setDefault)
        setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Takes the current folder out of the search order either way.
    ::SetDllDirectoryA("");
}

// A damaged entry is shown in a box; the unpacking diagnostics go to standard output.
class InstallerReporter : public PayloadReporter {
public:
    void EntryError(const std::string& name) override
    {
        ::MessageBoxA(nullptr, name.c_str(), "QVA解压错误!", MB_OK | MB_ICONERROR);
    }
    void Diagnostic(const std::string& line) override
    {
        std::fputs(line.c_str(), stdout);
        std::fflush(stdout);
    }
};

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/, int /*show*/)
{
    HardenLibrarySearch();

    static InstallerReporter reporter;
    SetPayloadReporter(&reporter);

    static COstrinSetupApp theApp;
    theApp.m_hInstance = instance;
    theApp.m_strCmdLine = CommandLineTail(::GetCommandLineA());
    // The program's life is the setup window's loop, which InitInstance runs.
    theApp.InitInstance();
    std::fflush(stdout);
    return static_cast<int>(theApp.m_nExitCode);
}

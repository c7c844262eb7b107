// The program entry of the installer.
#include "app/setup_app.h"

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

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/, int /*show*/)
{
    HardenLibrarySearch();

    static COstrinSetupApp theApp;
    theApp.m_hInstance = instance;
    theApp.m_strCmdLine = CommandLineTail(::GetCommandLineA());
    // The program's life is the setup window's loop, which InitInstance runs.
    theApp.InitInstance();
    std::fflush(stdout);
    return static_cast<int>(theApp.m_nExitCode);
}

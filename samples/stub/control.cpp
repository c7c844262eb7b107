// tolvane-stubctl: stands in for the suite's controls and libraries. Its
// registration entry points journal their call (the library's path, the
// entry point's name, the working folder) and succeed.
#include <windows.h>

#include <string>

#include "journal.h"

namespace {

HMODULE g_module;

std::wstring LibraryPath()
{
    wchar_t buffer[32768];
    DWORD length = GetModuleFileNameW(g_module, buffer, 32768);
    return std::wstring(buffer, length);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" HRESULT WINAPI DllRegisterServer()
{
    AppendJournalLine(LibraryPath(), L"DllRegisterServer");
    return S_OK;
}

extern "C" HRESULT WINAPI DllUnregisterServer()
{
    AppendJournalLine(LibraryPath(), L"DllUnregisterServer");
    return S_OK;
}

// tolvane-stubctl: stands in for the suite's controls and libraries. Its
// registration entry points journal their call (the library's path, the
// entry point's name, the working folder) and succeed. Registration also
// writes the key HKEY_LOCAL_MACHINE\SOFTWARE\TolvaneSample\Controls\<file
// name> (default value: the library's path); unregistration deletes it, after
// a pause when TOLVANE_STUB_LINGER names the library (see journal.h).
#include <windows.h>
#include <olectl.h>

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

std::wstring FileName(const std::wstring& path)
{
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring ControlKey(const std::wstring& path)
{
    return L"SOFTWARE\\TolvaneSample\\Controls\\" + FileName(path);
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
    std::wstring path = LibraryPath();
    AppendJournalLine(path, L"DllRegisterServer");
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, ControlKey(path).c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return SELFREG_E_CLASS;
    RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                   static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return S_OK;
}

extern "C" HRESULT WINAPI DllUnregisterServer()
{
    std::wstring path = LibraryPath();
    AppendJournalLine(path, L"DllUnregisterServer");
    // A registrar that outlives the installer's wait.
    if (DWORD linger = LingerMilliseconds(FileName(path)))
        Sleep(linger);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, ControlKey(path).c_str());
    return S_OK;
}

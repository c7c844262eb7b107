#include "install/platform_probe.h"

bool Is64BitByWow64Directory(Wow64DirectoryCall call)
{
    wchar_t folder[MAX_PATH];
    if (call(folder, MAX_PATH) != 0)
        return true;
    return ::GetLastError() != ERROR_CALL_NOT_IMPLEMENTED;
}

bool ProbeIs64BitPlatform()
{
    HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    if (!kernel)
        return false;
    auto call = reinterpret_cast<Wow64DirectoryCall>(
        reinterpret_cast<void*>(::GetProcAddress(kernel, "GetSystemWow64DirectoryW")));
    if (!call)
        return false;
    return Is64BitByWow64Directory(call);
}

#include "processes.h"

#include "win/handle.h"

#include <windows.h>

bool EnableDebugPrivilege()
{
    KernelHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, token.Receive()))
        return false;
    LUID debug{};
    if (!::LookupPrivilegeValueA(nullptr, "SeDebugPrivilege", &debug))
        return false;
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Luid = debug;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    ::AdjustTokenPrivileges(token.Get(), FALSE, &privileges, sizeof(privileges), nullptr, nullptr);
    // ERROR_NOT_ALL_ASSIGNED (the token lacks the privilege) counts as failure too.
    return ::GetLastError() == ERROR_SUCCESS;
}

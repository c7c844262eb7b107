#include "proc/processes.h"

#include "win/handle.h"

#include <windows.h>

#include <atomic>

bool EnableDebugPrivilege()
{
    // Once enabled it stays enabled for the rest of the run: nothing turns it off.
    static std::atomic<bool> enabled(false);
    if (enabled.load())
        return true;
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
    if (::GetLastError() != ERROR_SUCCESS)
        return false;
    enabled.store(true);
    return true;
}

#include "processes.h"

#include <windows.h>

namespace {

class TokenHandle {
public:
    TokenHandle() = default;
    ~TokenHandle()
    {
        if (handle)
            ::CloseHandle(handle);
    }
    TokenHandle(const TokenHandle&) = delete;
    TokenHandle& operator=(const TokenHandle&) = delete;

    HANDLE handle = nullptr;
};

}  // namespace

bool EnableDebugPrivilege()
{
    TokenHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token.handle))
        return false;
    LUID debug{};
    if (!::LookupPrivilegeValueA(nullptr, "SeDebugPrivilege", &debug))
        return false;
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Luid = debug;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    ::AdjustTokenPrivileges(token.handle, FALSE, &privileges, sizeof(privileges), nullptr, nullptr);
    // ERROR_NOT_ALL_ASSIGNED (the token lacks the privilege) counts as failure too.
    return ::GetLastError() == ERROR_SUCCESS;
}

// A process handle, and reading the main program path of a process.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// Inspecting a process, and inspecting it with the right to terminate it.
constexpr DWORD kInspectAccess = PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;
constexpr DWORD kTerminateAccess = PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;

// Path buffers hold 259 characters and the terminating zero.
constexpr DWORD kPathBufferSize = 260;

// An opened process, closed when the owner goes. Never inherited.
class ProcessHandle {
public:
    ProcessHandle(DWORD access, uint32_t pid) : handle_(::OpenProcess(access, FALSE, pid)) {}
    ~ProcessHandle()
    {
        if (handle_)
            ::CloseHandle(handle_);
    }
    ProcessHandle(const ProcessHandle&) = delete;
    ProcessHandle& operator=(const ProcessHandle&) = delete;

    HANDLE Get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    HANDLE handle_;
};

// The ids of the running processes, in the order the system lists them: one
// EnumProcesses call with room for 1024 ids. Empty when the call fails.
std::vector<uint32_t> TakeProcessSnapshot();

// The path of the process's first module, its main program. False when the
// module list or the path cannot be read.
bool ReadMainProgramPath(HANDLE process, std::string& path);

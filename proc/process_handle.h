// A process handle, and reading the main program path of a process.
#pragma once

#include "win/handle.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// Inspecting a process, and inspecting it with the right to terminate it.
constexpr DWORD kInspectAccess = PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;
constexpr DWORD kTerminateAccess = PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;

// Path buffers hold 259 characters and the terminating zero.
constexpr DWORD kPathBufferSize = 260;

// An opened process, closed when the owner goes; empty when it could not be
// opened. Never inherited.
class ProcessHandle : public KernelHandle {
public:
    ProcessHandle(DWORD access, uint32_t pid) : KernelHandle(::OpenProcess(access, FALSE, pid)) {}
};

// The ids of the running processes, in the order the system lists them: one
// EnumProcesses call with room for 1024 ids. Empty when the call fails.
std::vector<uint32_t> TakeProcessSnapshot();

// A running process: its id and the time it started, which together name it
// even after its id has been given to a later process, and the file name of
// its program as the system's process list gives it (code page 936; empty
// when the list gives none or it has no narrow form).
struct ProcessEntry {
    uint32_t pid;
    uint64_t created;
    std::string imageName;
};

// The same snapshot as TakeProcessSnapshot (EnumProcesses reads this very
// list of the system), with each process's start time and program file
// name: one call for all, where GetProcessTimes and the program's path need
// every process opened.
std::vector<ProcessEntry> TakeTimedProcessSnapshot();

// Whether the process may have the image name imageName, by the name the
// process list gives: false only when that name is known and differs (A-Z
// counting as a-z), so that a process that cannot be the one looked for is
// not opened to read its program's path.
bool MayHaveImageName(const ProcessEntry& process, const std::string& imageName);

// The time the opened process started (100 ns units since 1601, as the
// snapshot gives it); 0 when it cannot be read.
uint64_t ProcessStartTime(HANDLE process);
// Whether the opened process is the one that started at created: a process
// id is reused once its process has ended. An unknown time (0) is taken as
// the same.
bool IsSameProcess(HANDLE process, uint64_t created);

// The path of the process's first module, its main program. False when the
// module list or the path cannot be read.
bool ReadMainProgramPath(HANDLE process, std::string& path);

// KillProcessesByName over the snapshot present, taken when the list
// started; the processes of a snapshot taken at its end that present does
// not hold are checked against every name.
void StopListedPrograms(const std::vector<std::string>& imageNames, const std::vector<ProcessEntry>& present);

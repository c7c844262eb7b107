#include "proc/process_handle.h"

#include "proc/processes.h"

#include <psapi.h>
#include <winternl.h>

namespace {

constexpr DWORD kSnapshotIds = 1024;
constexpr NTSTATUS kInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004L);

// The process list's name of a program in code page 936; empty when it has
// none, or characters that code page 936 cannot hold.
std::string NarrowName(const UNICODE_STRING& name)
{
    const int length = static_cast<int>(name.Length / sizeof(WCHAR));
    if (!name.Buffer || length <= 0)
        return std::string();
    char narrow[kPathBufferSize];
    BOOL lossy = FALSE;
    const int bytes =
        ::WideCharToMultiByte(CP_ACP, 0, name.Buffer, length, narrow, sizeof narrow, nullptr, &lossy);
    if (bytes <= 0 || lossy)
        return std::string();
    return std::string(narrow, static_cast<size_t>(bytes));
}

}  // namespace

std::vector<uint32_t> TakeProcessSnapshot()
{
    DWORD ids[kSnapshotIds];
    DWORD bytes = 0;
    if (!::EnumProcesses(ids, sizeof(ids), &bytes))
        return {};
    DWORD count = bytes / sizeof(DWORD);
    if (count > kSnapshotIds)
        count = kSnapshotIds;
    return std::vector<uint32_t>(ids, ids + count);
}

bool ReadMainProgramPath(HANDLE process, std::string& path)
{
    // Room for exactly one module handle: the first module is the program file.
    HMODULE first = nullptr;
    DWORD needed = 0;
    if (!::EnumProcessModules(process, &first, sizeof(first), &needed))
        return false;
    char buffer[kPathBufferSize] = {};
    DWORD length = ::GetModuleFileNameExA(process, first, buffer, kPathBufferSize);
    if (length == 0)
        return false;
    path.assign(buffer, length < kPathBufferSize ? length : kPathBufferSize - 1);
    return true;
}

std::vector<ProcessEntry> TakeTimedProcessSnapshot()
{
    // The list grows between two calls when processes start: ask again with
    // the size the system reported, and some room. Each thread keeps its
    // buffer for its next snapshot: a list of names is stopped one snapshot
    // a name.
    thread_local std::vector<uint8_t> buffer(256 * 1024);
    for (int attempt = 0; attempt < 8; ++attempt) {
        ULONG needed = 0;
        const NTSTATUS status = ::NtQuerySystemInformation(SystemProcessInformation, buffer.data(),
                                                           static_cast<ULONG>(buffer.size()), &needed);
        if (status == kInfoLengthMismatch) {
            buffer.resize(needed > buffer.size() ? needed + 64 * 1024 : buffer.size() * 2);
            continue;
        }
        if (!NT_SUCCESS(status))
            return {};
        std::vector<ProcessEntry> processes;
        for (size_t at = 0; processes.size() < kSnapshotIds && at + sizeof(SYSTEM_PROCESS_INFORMATION) <= buffer.size();) {
            const auto* info = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(buffer.data() + at);
            processes.push_back({static_cast<uint32_t>(reinterpret_cast<uintptr_t>(info->UniqueProcessId)),
                                 static_cast<uint64_t>(info->CreateTime.QuadPart), NarrowName(info->ImageName)});
            if (info->NextEntryOffset == 0)
                break;
            at += info->NextEntryOffset;
        }
        return processes;
    }
    return {};
}

uint64_t ProcessStartTime(HANDLE process)
{
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!::GetProcessTimes(process, &created, &exited, &kernel, &user))
        return 0;
    return (static_cast<uint64_t>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

bool IsSameProcess(HANDLE process, uint64_t created)
{
    return created == 0 || ProcessStartTime(process) == created;
}

bool MayHaveImageName(const ProcessEntry& process, const std::string& imageName)
{
    return process.imageName.empty() || EqualAsciiFolded(process.imageName, imageName);
}

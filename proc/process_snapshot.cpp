#include "process_handle.h"

#include <psapi.h>

namespace {

constexpr DWORD kSnapshotIds = 1024;

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

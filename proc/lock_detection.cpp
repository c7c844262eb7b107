#include "proc/lock_detection.h"

#include "proc/processes.h"
#include "proc/process_handle.h"

#include <psapi.h>
#include "payload/shared_runtime_files.h"

ProcessCache<ModulePathList> ModulePathCache(ProcessIdentity::Id);

namespace {

constexpr DWORD kModuleHandles = 1024;

bool HoldsPid(const LockHolderList& holders, uint32_t pid)
{
    for (const LockHolder& holder : holders)
        if (holder.pid == pid)
            return true;
    return false;
}

// Only programs and libraries can be held loaded.
bool MayBeLoaded(const std::string& path)
{
    return path.find(".dll") != std::string::npos || path.find(".exe") != std::string::npos;
}

}  // namespace

ModulePathList GetModulePaths(uint32_t pid)
{
    ModulePathList paths;
    if (ModulePathCache.Find(pid, 0, paths))
        return paths;

    ProcessHandle process(kInspectAccess, pid);
    if (!process)
        return {};
    std::vector<HMODULE> modules(kModuleHandles);
    DWORD bytes = 0;
    if (::EnumProcessModules(process.Get(), modules.data(), kModuleHandles * sizeof(HMODULE), &bytes)) {
        DWORD count = bytes / sizeof(HMODULE);
        if (count > kModuleHandles)
            count = kModuleHandles;
        for (DWORD i = 0; i < count; ++i) {
            char buffer[kPathBufferSize] = {};
            DWORD length = ::GetModuleFileNameExA(process.Get(), modules[i], buffer, kPathBufferSize);
            if (length == 0)
                continue;
            paths.emplace_back(buffer, length < kPathBufferSize ? length : kPathBufferSize - 1);
        }
    }
    ModulePathCache.Keep(pid, 0, paths);
    return paths;
}

namespace {

// The processes of snapshot that have filePath loaded, one holder per matching module.
LockHolderList FindModuleHoldersIn(const std::vector<uint32_t>& snapshot, const std::string& filePath)
{
    LockHolderList holders;
    for (uint32_t pid : snapshot) {
        for (const std::string& module : GetModulePaths(pid)) {
            if (!EqualAsciiFolded(filePath, module))
                continue;
            ProcessHandle process(kInspectAccess, pid);
            if (!process)
                continue;
            LockHolder holder;
            holder.pid = pid;
            holder.created = ProcessStartTime(process.Get());
            if (!ReadMainProgramPath(process.Get(), holder.path))
                holder.path.clear();
            holders.push_back(holder);
        }
    }
    return holders;
}

}  // namespace

LockHolderList FindModuleHolders(const std::string& filePath)
{
    if (!EnableDebugPrivilege())
        return {};
    return FindModuleHoldersIn(TakeProcessSnapshot(), filePath);
}

LockHolderList FindLockHolders(const std::string& folder, ContainerIndex& index)
{
    LockHolderList found;
    if (!EnableDebugPrivilege())
        return found;
    // Taken when the first program or library is looked for.
    std::vector<uint32_t> snapshot;
    bool taken = false;
    for (index.First(); !index.AtEnd(); index.Next()) {
        const std::string& name = index.Current().name;
        // The name's first byte is not part of its path.
        const std::string path = folder + (name.empty() ? std::string() : name.substr(1));
        if (MatchesSharedRuntimeFiles(path) || !MayBeLoaded(path))
            continue;
        if (!taken) {
            snapshot = TakeProcessSnapshot();
            taken = true;
        }
        for (const LockHolder& holder : FindModuleHoldersIn(snapshot, path))
            if (!HoldsPid(found, holder.pid))
                found.push_back(holder);
    }
    return found;
}

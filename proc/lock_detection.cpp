#include "proc/lock_detection.h"

#include "proc/processes.h"
#include "proc/process_handle.h"

#include <tlhelp32.h>

#include <cstring>
#include "payload/shared_runtime_files.h"

ProcessCache<ModulePathList> ModulePathCache(ProcessIdentity::Id);

namespace {

// At most this many modules of a process are looked at.
constexpr size_t kModuleHandles = 1024;
constexpr int kModuleSnapshotAttempts = 4;

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
    // One snapshot of the process's modules gives the list and every path in
    // one pass over the process's loader data (EnumProcessModules, then
    // GetModuleFileNameExA for each module, walks that data again for each
    // one). The same paths, in the same order. It fails while the process
    // loads or unloads a module (ERROR_BAD_LENGTH): then it is taken again.
    KernelHandle modules;
    for (int attempt = 0; attempt < kModuleSnapshotAttempts && !modules; ++attempt)
        modules.Reset(::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid));
    MODULEENTRY32 module{};
    module.dwSize = sizeof module;
    for (BOOL more = modules && ::Module32First(modules.Get(), &module);
         more && paths.size() < kModuleHandles; more = ::Module32Next(modules.Get(), &module)) {
        const size_t length = ::strnlen(module.szExePath, kPathBufferSize - 1);
        if (length > 0)
            paths.emplace_back(module.szExePath, length);
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

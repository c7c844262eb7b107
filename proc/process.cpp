#include "processes.h"

#include "process_handle.h"
#include "win/install_log.h"

namespace {

// Paths that do not start with a letter (network paths, the system's native
// form, empty paths) never name a program we look for.
bool StartsWithAsciiLetter(const std::string& path)
{
    if (path.empty())
        return false;
    char c = path[0];
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool ReadProgramPathToMatch(HANDLE process, std::string& path)
{
    return ReadMainProgramPath(process, path) && StartsWithAsciiLetter(path);
}

}  // namespace

bool IsProcessRunning(const std::string& imageName)
{
    bool found = false;
    for (uint32_t pid : TakeProcessSnapshot()) {
        ProcessHandle process(kInspectAccess, pid);
        if (!process)
            continue;
        std::string path;
        if (ReadProgramPathToMatch(process.Get(), path) && ImageNameMatches(imageName, path))
            found = true;
    }
    return found;
}

void KillPass::Kill(const std::string& imageName)
{
    if (!EnableDebugPrivilege())
        return;
    for (uint32_t pid : TakeProcessSnapshot()) {
        ProcessHandle process(kTerminateAccess, pid);
        if (!process)
            continue;
        std::string path;
        if (!ReadProgramPath(process.Get(), pid, path) || !StartsWithAsciiLetter(path))
            continue;
        if (!imageName.empty() && ImageNameMatches(imageName, path)) {
            BOOL stopped = ::TerminateProcess(process.Get(), 0);
            LogLine("program %s: %s (id %u, %s), its image name is listed", stopped ? "stopped" : "could not be stopped",
                    imageName.c_str(), pid, path.c_str());
        }
    }
}

// A path that could not be read is not kept: the next name tries again.
bool KillPass::ReadProgramPath(HANDLE process, uint32_t pid, std::string& path)
{
    FILETIME created, exited, kernel, user;
    if (!::GetProcessTimes(process, &created, &exited, &kernel, &user))
        return ReadMainProgramPath(process, path);
    const auto key = std::make_pair(pid, static_cast<uint64_t>(created.dwHighDateTime) << 32 | created.dwLowDateTime);
    auto known = paths_.find(key);
    if (known != paths_.end()) {
        path = known->second;
        return true;
    }
    if (!ReadMainProgramPath(process, path))
        return false;
    paths_.emplace(key, path);
    return true;
}

void KillProcessesByName(const std::vector<std::string>& imageNames)
{
    KillPass pass;
    for (const std::string& name : imageNames)
        pass.Kill(name);
}

int KillProcessByName(const std::string& imageName)
{
    KillPass().Kill(imageName);
    return 1;
}

void TerminateHolders(const LockHolderList& holders)
{
    for (const LockHolder& holder : holders) {
        ProcessHandle process(kTerminateAccess, holder.pid);
        BOOL stopped = process && ::TerminateProcess(process.Get(), 0);
        LogLine("program %s: id %u, %s, it holds an installation file", stopped ? "stopped" : "could not be stopped",
                holder.pid, holder.path.c_str());
    }
}

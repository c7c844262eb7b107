#include "processes.h"

#include "process_handle.h"

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

int KillProcessByName(const std::string& imageName)
{
    if (!EnableDebugPrivilege())
        return 1;
    for (uint32_t pid : TakeProcessSnapshot()) {
        ProcessHandle process(kTerminateAccess, pid);
        if (!process)
            continue;
        std::string path;
        if (!ReadProgramPathToMatch(process.Get(), path))
            continue;
        if (!imageName.empty() && ImageNameMatches(imageName, path))
            ::TerminateProcess(process.Get(), 0);
    }
    return 1;
}

void TerminateHolders(const LockHolderList& holders)
{
    for (const LockHolder& holder : holders) {
        ProcessHandle process(kTerminateAccess, holder.pid);
        if (process)
            ::TerminateProcess(process.Get(), 0);
    }
}

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

}  // namespace

bool IsProcessRunning(const std::string& imageName)
{
    return ProcessPass().IsRunning(imageName);
}

const std::string* ProcessPass::KnownPath(const ProcessEntry& process) const
{
    auto known = paths_.find(std::make_pair(process.pid, process.created));
    return known == paths_.end() ? nullptr : &known->second;
}

// A path that could not be read is not kept: the next name tries again.
bool ProcessPass::ProgramPath(const ProcessEntry& process, HANDLE opened, std::string& path)
{
    if (const std::string* known = KnownPath(process)) {
        path = *known;
        return true;
    }
    if (!ReadMainProgramPath(opened, path))
        return false;
    paths_.emplace(std::make_pair(process.pid, process.created), path);
    return true;
}

bool ProcessPass::IsRunning(const std::string& imageName)
{
    bool found = false;
    for (const ProcessEntry& entry : TakeTimedProcessSnapshot()) {
        std::string path;
        if (const std::string* known = KnownPath(entry)) {
            path = *known;
        } else {
            ProcessHandle process(kInspectAccess, entry.pid);
            if (!process || !ProgramPath(entry, process.Get(), path))
                continue;
        }
        if (StartsWithAsciiLetter(path) && ImageNameMatches(imageName, path))
            found = true;
    }
    return found;
}

void ProcessPass::Kill(const std::string& imageName)
{
    if (!EnableDebugPrivilege())
        return;
    for (const ProcessEntry& entry : TakeTimedProcessSnapshot()) {
        // A process known not to match needs no handle.
        const std::string* known = KnownPath(entry);
        if (known && !(StartsWithAsciiLetter(*known) && ImageNameMatches(imageName, *known)))
            continue;
        ProcessHandle process(kTerminateAccess, entry.pid);
        if (!process)
            continue;
        std::string path;
        if (!ProgramPath(entry, process.Get(), path) || !StartsWithAsciiLetter(path))
            continue;
        if (!imageName.empty() && ImageNameMatches(imageName, path)) {
            BOOL stopped = ::TerminateProcess(process.Get(), 0);
            LogLine("program %s: %s (id %u, %s), its image name is listed", stopped ? "stopped" : "could not be stopped",
                    imageName.c_str(), entry.pid, path.c_str());
        }
    }
}

void KillProcessesByName(const std::vector<std::string>& imageNames)
{
    ProcessPass pass;
    for (const std::string& name : imageNames)
        pass.Kill(name);
}

int KillProcessByName(const std::string& imageName)
{
    ProcessPass().Kill(imageName);
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

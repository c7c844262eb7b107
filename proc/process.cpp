#include "proc/processes.h"

#include "proc/process_handle.h"
#include "win/install_log.h"

#include <map>
#include <mutex>
#include <utility>

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

// The program paths read so far in this run, by process id and start time:
// a process's program does not change while it runs, and a later process
// under the same id has another start time.
class ProgramPaths {
public:
    // A copy of the kept path into path; false when it has not been read.
    bool Known(const ProcessEntry& process, std::string& path) const
    {
        std::lock_guard<std::mutex> guard(lock_);
        auto known = paths_.find(std::make_pair(process.pid, process.created));
        if (known == paths_.end())
            return false;
        path = known->second;
        return true;
    }

    // Reads the path from the opened process and keeps it. A path that
    // cannot be read is not kept: the next call tries again.
    bool Read(const ProcessEntry& process, HANDLE opened, std::string& path)
    {
        if (!ReadMainProgramPath(opened, path))
            return false;
        std::lock_guard<std::mutex> guard(lock_);
        paths_.emplace(std::make_pair(process.pid, process.created), path);
        return true;
    }

private:
    mutable std::mutex lock_;
    std::map<std::pair<uint32_t, uint64_t>, std::string> paths_;
};

ProgramPaths& RunPaths()
{
    static ProgramPaths paths;
    return paths;
}

}  // namespace

bool IsProcessRunning(const std::string& imageName)
{
    ProgramPaths& paths = RunPaths();
    bool found = false;
    for (const ProcessEntry& entry : TakeTimedProcessSnapshot()) {
        std::string path;
        if (!paths.Known(entry, path)) {
            ProcessHandle process(kInspectAccess, entry.pid);
            if (!process || !paths.Read(entry, process.Get(), path))
                continue;
        }
        if (StartsWithAsciiLetter(path) && ImageNameMatches(imageName, path))
            found = true;
    }
    return found;
}

int KillProcessByName(const std::string& imageName)
{
    if (!EnableDebugPrivilege())
        return 1;
    ProgramPaths& paths = RunPaths();
    for (const ProcessEntry& entry : TakeTimedProcessSnapshot()) {
        // A process known not to match needs no handle.
        std::string path;
        const bool known = paths.Known(entry, path);
        if (known && !(StartsWithAsciiLetter(path) && ImageNameMatches(imageName, path)))
            continue;
        ProcessHandle process(kTerminateAccess, entry.pid);
        // Opened after the snapshot: the id may belong to a later process by now.
        if (!process || !IsSameProcess(process.Get(), entry.created))
            continue;
        if ((!known && !paths.Read(entry, process.Get(), path)) || !StartsWithAsciiLetter(path))
            continue;
        if (!imageName.empty() && ImageNameMatches(imageName, path)) {
            BOOL stopped = ::TerminateProcess(process.Get(), 0);
            LogLine("program %s: %s (id %u, %s), its image name is listed", stopped ? "stopped" : "could not be stopped",
                    imageName.c_str(), entry.pid, path.c_str());
        }
    }
    return 1;
}

void KillProcessesByName(const std::vector<std::string>& imageNames)
{
    for (const std::string& name : imageNames)
        KillProcessByName(name);
}

void TerminateHolders(const LockHolderList& holders)
{
    for (const LockHolder& holder : holders) {
        ProcessHandle process(kTerminateAccess, holder.pid);
        if (process && !IsSameProcess(process.Get(), holder.created)) {
            LogLine("program not stopped: id %u now belongs to another process than %s", holder.pid,
                    holder.path.c_str());
            continue;
        }
        BOOL stopped = process && ::TerminateProcess(process.Get(), 0);
        LogLine("program %s: id %u, %s, it holds an installation file", stopped ? "stopped" : "could not be stopped",
                holder.pid, holder.path.c_str());
    }
}

#include "proc/processes.h"

#include "proc/process_cache.h"
#include "proc/process_handle.h"
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

// The program paths read so far in this run. A process's program does not
// change while it runs, and a later process under the same id has another
// start time: it is read anew. A path that cannot be read is not kept, so
// that the next look tries again.
ProcessCache<std::string>& ProgramPaths()
{
    static ProcessCache<std::string> paths(ProcessIdentity::IdAndStartTime);
    return paths;
}

// The kept path of the process, or else the path read from it (kept for
// the next look); false when it cannot be read.
bool ProgramPathOf(const ProcessEntry& process, HANDLE opened, std::string& path)
{
    if (ProgramPaths().Find(process.pid, process.created, path))
        return true;
    if (!ReadMainProgramPath(opened, path))
        return false;
    ProgramPaths().Keep(process.pid, process.created, path);
    return true;
}

}  // namespace

bool IsProcessRunning(const std::string& imageName)
{
    bool found = false;
    for (const ProcessEntry& entry : TakeTimedProcessSnapshot()) {
        if (!MayHaveImageName(entry, imageName))
            continue;
        std::string path;
        if (!ProgramPaths().Find(entry.pid, entry.created, path)) {
            ProcessHandle process(kInspectAccess, entry.pid);
            if (!process || !ProgramPathOf(entry, process.Get(), path))
                continue;
        }
        if (StartsWithAsciiLetter(path) && ImageNameMatches(imageName, path))
            found = true;
    }
    return found;
}

namespace {

// Terminates the process of a snapshot when its program has the image name;
// true when it was terminated.
bool StopIfNamed(const ProcessEntry& entry, const std::string& imageName)
{
    // A process that cannot have that name, or whose kept path does not
    // match it, needs no handle.
    if (!MayHaveImageName(entry, imageName))
        return false;
    std::string path;
    const bool known = ProgramPaths().Find(entry.pid, entry.created, path);
    if (known && !(StartsWithAsciiLetter(path) && ImageNameMatches(imageName, path)))
        return false;
    ProcessHandle process(kTerminateAccess, entry.pid);
    // Opened after the snapshot: the id may belong to a later process by now.
    if (!process || !IsSameProcess(process.Get(), entry.created))
        return false;
    if ((!known && !ProgramPathOf(entry, process.Get(), path)) || !StartsWithAsciiLetter(path))
        return false;
    if (imageName.empty() || !ImageNameMatches(imageName, path))
        return false;
    const BOOL stopped = ::TerminateProcess(process.Get(), 0);
    LogLine("program %s: %s (id %u, %s), its image name is listed", stopped ? "stopped" : "could not be stopped",
            imageName.c_str(), entry.pid, path.c_str());
    return stopped != FALSE;
}

bool Holds(const std::vector<ProcessEntry>& snapshot, const ProcessEntry& process)
{
    for (const ProcessEntry& entry : snapshot) {
        if (entry.pid == process.pid && entry.created == process.created)
            return true;
    }
    return false;
}

}  // namespace

int KillProcessByName(const std::string& imageName)
{
    if (!EnableDebugPrivilege())
        return 1;
    for (const ProcessEntry& entry : TakeTimedProcessSnapshot())
        StopIfNamed(entry, imageName);
    return 1;
}

void KillProcessesByName(const std::vector<std::string>& imageNames)
{
    if (!EnableDebugPrivilege())
        return;
    StopListedPrograms(imageNames, TakeTimedProcessSnapshot());
}

void StopListedPrograms(const std::vector<std::string>& imageNames, const std::vector<ProcessEntry>& present)
{
    // A program stopped for one name of the list is not stopped again for a
    // later one (a name may occur twice): it is on its way out.
    std::vector<bool> stopped(present.size(), false);
    for (const std::string& name : imageNames) {
        for (size_t i = 0; i < present.size(); ++i) {
            if (!stopped[i])
                stopped[i] = StopIfNamed(present[i], name);
        }
    }
    // The programs that started while the list was walked: a snapshot for
    // each name would have met them from some name on.
    for (const ProcessEntry& entry : TakeTimedProcessSnapshot()) {
        if (Holds(present, entry))
            continue;
        for (const std::string& name : imageNames) {
            if (StopIfNamed(entry, name))
                break;
        }
    }
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

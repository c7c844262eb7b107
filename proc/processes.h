// Finding and terminating processes by the image name of their main program.
//
// A program is known only by the file-name part of its main program's path;
// the folder it runs from plays no part. Termination is forced and nothing
// waits for a terminated process to go away.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "lock_holder.h"

struct ProcessEntry;

// True when any process that the installer may open has the image name
// imageName (see ImageNameMatches). Does not enable the debug privilege.
bool IsProcessRunning(const std::string& imageName);

// Terminates (exit code 0) every process with the image name imageName. An
// empty name terminates nothing; so does a failure to enable the debug
// privilege. Always returns 1.
int KillProcessByName(const std::string& imageName);

// One pass of IsProcessRunning and KillProcessByName calls over a list of
// names. Each call takes its own snapshot and visits every process in it, as
// those operations do, but a process's program path is read only the first
// time the pass meets it: the paths are kept by process id and start time, so
// a process started during the pass (even under the id of one that ended) is
// read and seen by the names after it. A process whose kept path does not
// match the name is not opened again.
class ProcessPass {
public:
    // IsProcessRunning(imageName), with the paths read so far.
    bool IsRunning(const std::string& imageName);
    // KillProcessByName(imageName), with the paths read so far.
    void Kill(const std::string& imageName);

private:
    // The kept path of the process, or nullptr when it has not been read.
    const std::string* KnownPath(const ProcessEntry& process) const;
    // The process's program path: the kept one, or read from the opened
    // process and kept. False when it cannot be read.
    bool ProgramPath(const ProcessEntry& process, HANDLE opened, std::string& path);
    std::map<std::pair<uint32_t, uint64_t>, std::string> paths_;
};

// KillProcessByName for each of imageNames, in order, as one ProcessPass.
void KillProcessesByName(const std::vector<std::string>& imageNames);

// Terminates the process of each holder's pid, in list order; processes that
// cannot be opened are passed over.
void TerminateHolders(const LockHolderList& holders);

// Enables SeDebugPrivilege in the installer's own token, for the rest of the
// run. True when it is enabled.
bool EnableDebugPrivilege();

// True when the file-name part of path (after its last "\" or "/", the first
// byte never counting as a separator; empty without one) equals name, the
// letters A-Z counting as a-z and every other byte compared as it is.
bool ImageNameMatches(const std::string& name, const std::string& path);

// True when a and b have the same length and equal bytes, A-Z counting as a-z.
bool EqualAsciiFolded(const std::string& a, const std::string& b);

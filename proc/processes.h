// Finding and terminating processes by the image name of their main program.
//
// A program is known only by the file-name part of its main program's path;
// the folder it runs from plays no part. Termination is forced and nothing
// waits for a terminated process to go away.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "proc/lock_holder.h"

// True when any process that the installer may open has the image name
// imageName (see ImageNameMatches). Does not enable the debug privilege.
bool IsProcessRunning(const std::string& imageName);

// Terminates (exit code 0) every process with the image name imageName. An
// empty name terminates nothing; so does a failure to enable the debug
// privilege. Always returns 1.
int KillProcessByName(const std::string& imageName);

// Both take a snapshot of their own on every call and visit every process in
// it, but a process's program path is read only the first time a call of the
// run meets it: the paths are kept by process id and start time, so a process
// started between two calls, even under the id of one that ended, is read and
// seen. A process whose kept path does not match the name is not opened again.

// KillProcessByName for each of imageNames, in order, over one snapshot for
// the whole list rather than one for each name: the same programs are
// stopped in the same order, and a program that starts while the list is
// walked is met by a second snapshot at the end and checked against every
// name of the list.
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

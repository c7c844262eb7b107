// Closing the programs that hold files of a container loaded.
#pragma once

#include <windows.h>

#include <string>

#include "payload/container.h"
#include "proc/lock_holder.h"

// Finds the processes that hold the container's programs or libraries below
// folder (ending with "\") and terminates them through the close-programs
// dialog. index is the operation's own copy.
//   true, closed untouched:        nothing held the container's files;
//   true, closed = the processes:  they were terminated, in the order found;
//   false, closed untouched:       the dialog could not be run.
bool CloseLockHolders(const std::string& folder, ContainerIndex index, LockHolderList& closed);

// The lock closer of the extraction: CloseLockHolders with an empty list that
// is then discarded. When programs were terminated it gives them up to
// waitMs milliseconds to go away, so that the write tried next can succeed.
bool CloseLockHoldersForRetry(const std::string& folder, const ContainerIndex& index, DWORD waitMs = 2000);

// Closing the programs that hold files of a container loaded.
#pragma once

#include <string>

#include "container.h"
#include "lock_holder.h"

// Finds the processes that hold the container's programs or libraries below
// folder (ending with "\") and terminates them through the close-programs
// dialog. index is the operation's own copy.
//   true, closed untouched:        nothing held the container's files;
//   true, closed = the processes:  they were terminated, in the order found;
//   false, closed untouched:       the dialog could not be run.
bool CloseLockHolders(const std::string& folder, ContainerIndex index, LockHolderList& closed);

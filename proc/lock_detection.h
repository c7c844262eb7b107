// Finding the processes that have installation files loaded.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "payload/container.h"
#include "proc/lock_holder.h"
#include "proc/process_cache.h"

using ModulePathList = std::vector<std::string>;

// The modules each process had loaded when it was first looked at, for the
// whole run, by process id alone (ProcessIdentity::Id). An entry is never
// refreshed: a process is judged by the list read the first time its id
// was asked for.
extern ProcessCache<ModulePathList> ModulePathCache;

// The paths of the modules process pid has loaded, as the system reports them,
// in its order; from the cache when pid was read before. A process that cannot
// be opened gives an empty list and is not cached; one whose modules cannot be
// listed is cached with an empty list.
ModulePathList GetModulePaths(uint32_t pid);

// The processes that have filePath loaded (compared over the whole path, A-Z
// counting as a-z), in snapshot order, one holder per matching module.
LockHolderList FindModuleHolders(const std::string& filePath);

// The processes that have any program or library of the container loaded
// below folder (which ends with "\"), each once, in the order found: entries
// in key order, then processes in snapshot order. One snapshot serves the
// whole walk (the module lists are the first ones read in the run anyway).
// Walks index with its own cursor; callers pass a copy.
LockHolderList FindLockHolders(const std::string& folder, ContainerIndex& index);

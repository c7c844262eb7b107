// One running process that has an installation file loaded.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct LockHolder {
    std::string path;  // its main program's full path as the system reports it; empty when unreadable
    uint32_t pid = 0;
    // When it started (as GetProcessTimes gives it; 0: unknown): a later
    // process under the same id is not this one.
    uint64_t created = 0;
};

using LockHolderList = std::vector<LockHolder>;

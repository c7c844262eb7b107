// One running process that has an installation file loaded.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct LockHolder {
    std::string path;  // its main program's full path as the system reports it; empty when unreadable
    uint32_t pid = 0;
};

using LockHolderList = std::vector<LockHolder>;

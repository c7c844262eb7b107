// Removing a registry key with everything below it.
#pragma once

#include <windows.h>

// Removes root\subKey and all its sub keys, depth first. The descent opens
// keys in the 64-bit view; the given key itself is deleted in the process's
// view. A sub key that resists deletion is passed over, so the walk ends.
// Nothing is reported.
void DeleteRegistryTree(HKEY root, const char* subKey);

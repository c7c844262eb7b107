// Removing a registry key with everything below it.
#pragma once

#include <windows.h>

// Removes root\subKey and all its sub keys, depth first, in the 64-bit view.
// Each key is deleted through the handle it was opened with, so a name that
// is swapped meanwhile cannot redirect the deletion. A registry link is
// deleted itself and never followed: what it points to stays. A sub key that
// resists deletion is passed over, so the walk ends. Nothing is reported.
void DeleteRegistryTree(HKEY root, const char* subKey);

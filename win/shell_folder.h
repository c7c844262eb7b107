// The folders the shell knows, as narrow paths without a trailing backslash.
#pragma once

#include <string>

// SHGetFolderPathA (current path): empty when the folder is unknown.
std::string GetFolderPath(int csidl);
// SHGetSpecialFolderPathA, creating the folder when create is set: empty on failure.
std::string GetSpecialFolderPath(int csidl, bool create = false);
// GetTempPathA: the temporary folder, with its trailing backslash.
std::string GetTempFolder();

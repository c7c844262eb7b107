// Telling the shell about a new file.
#pragma once

#include <string>

// SHCNE_CREATE for path, then SHCNE_UPDATEDIR for its folder, both flushed.
void NotifyShellOfNewFile(const std::string& path);

// Shell shortcuts (".lnk" files).
#pragma once

#include <string>

// Writes linkPath, a shortcut to target with the target's folder (with its last "\") as working
// folder and nothing else. False when target does not exist or a shell object
// was not obtained; COM is initialised for this call alone.
bool CreateShortcut(const std::string& target, const std::string& linkPath);

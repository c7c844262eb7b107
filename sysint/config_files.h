// The seal-server connection files, from the installation folder into the
// Documents folder of the user who runs the installer.
#pragma once

#include <string>

// Their names, in the order of copying.
extern const char* const ConfigFileNames[];
extern const size_t ConfigFileNamesSize;

// Copies each file that exists; does nothing for an empty folder.
void CopyConfigFiles(const std::string& installFolder);

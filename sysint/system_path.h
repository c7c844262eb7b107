// The machine-wide search path ("Path" of the system environment).
#pragma once

#include <string>

// The key and value of the machine's search path below HKEY_LOCAL_MACHINE.
extern const char kSystemEnvironmentKey[];
extern const char kSearchPathValue[];

// The search path with folderEntry appended after a ";", or the current text
// when it already holds folderEntry anywhere (byte-wise, case-sensitive).
std::string AppendSearchPathEntry(const std::string& current, const std::string& folderEntry);

// Appends the installation folder (without its trailing backslash) to the
// search path unless it is there already or the path cannot be read, then
// tells every top-level window that the environment changed.
void AddToSystemPath(const std::string& installFolder);

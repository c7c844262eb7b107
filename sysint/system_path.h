// The machine-wide search path ("Path" of the system environment).
#pragma once

#include <string>

// The key and value of the machine's search path below HKEY_LOCAL_MACHINE.
extern const char kSystemEnvironmentKey[];
extern const char kSearchPathValue[];

// The search path with folderEntry appended after a ";", or the current text
// when one of its ";"-separated entries is folderEntry, ignoring case, blanks
// around it and a trailing backslash ("...\TolvaneKelmOld" is another entry).
// UTF-16 throughout, so that entries outside the code page are kept exactly.
std::wstring AppendSearchPathEntry(const std::wstring& current, const std::wstring& folderEntry);

// Appends the installation folder (without its trailing backslash) to the
// search path unless it is there already or the path cannot be read, then
// tells every top-level window that the environment changed.
void AddToSystemPath(const std::string& installFolder);

// The stubs' journal: one line per event, appended to a fixed file.
#pragma once

#include <windows.h>

#include <string>

// The journal file: %TOLVANE_JOURNAL% when set, otherwise C:\tolvane-journal.txt.
std::wstring JournalPath();

// Appends "path<TAB>commandLine<TAB>workingFolder\n" in UTF-8, serialised
// between processes by a named mutex.
void AppendJournalLine(const std::wstring& path, const std::wstring& commandLine);

// From the environment variable TOLVANE_STUB_LINGER=NAME=MS: MS when NAME is
// fileName (any case), else 0. Stubs whose command line the installer fixes
// are made to outlive its waits this way.
DWORD LingerMilliseconds(const std::wstring& fileName);

// Whether the installer runs on 64-bit Windows, asked the way the
// registration steps ask it: through GetSystemWow64DirectoryW.
#pragma once

#include <windows.h>

// The signature of GetSystemWow64DirectoryW.
using Wow64DirectoryCall = UINT(WINAPI*)(LPWSTR buffer, UINT size);

// Calls call with a buffer of 260 characters: a non-zero result is 64-bit; a
// zero result is 32-bit when GetLastError is ERROR_CALL_NOT_IMPLEMENTED
// (120), and 64-bit with any other error.
bool Is64BitByWow64Directory(Wow64DirectoryCall call);

// "kernel32.dll" not loaded or without GetSystemWow64DirectoryW: 32-bit;
// otherwise as Is64BitByWow64Directory decides.
bool ProbeIs64BitPlatform();

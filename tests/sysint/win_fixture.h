// Small helpers for the Windows tests of the launcher, the registration steps
// and the cleanup: files, registry views, processes and the stubs' journal.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "setup_window.h"
#include "ui_driver.h"

namespace fixture {

// The stub program and control library of the build, as Windows paths.
std::wstring StubProgram();
std::wstring StubLibrary();
// The sample payload's setupdir/ of the build, as a Windows path (no trailing backslash).
std::wstring SamplePayloadSetup();

// Narrow text in the ANSI code page (936), as the installer's own.
inline std::string Narrow(const std::wstring& text) { return ui::Ansi(text); }
inline std::wstring Wide(const std::string& text) { return ui::FromAnsi(text); }

std::wstring ShellFolder(int csidl);
// A fresh, empty folder below the temporary folder (no trailing backslash).
std::wstring FreshFolder(const std::wstring& name);
bool CopyTo(const std::wstring& source, const std::wstring& target);
// Writes content to path; its folder is created.
bool PlaceFile(const std::wstring& path, const std::string& content = "x");
bool Exists(const std::wstring& path);

// The registry as the writes of a 64-bit and of a 32-bit program land:
// looked up in the 64-bit view first, then in the 32-bit one.
bool KeyExistsInAnyView(HKEY root, const std::wstring& subKey);
bool ReadStringInAnyView(HKEY root, const std::wstring& subKey, const std::wstring& name, std::wstring& value);
// Creates subKey (in this program's view) with a value, and a sub key with a value.
bool CreateKeyWithSubKey(HKEY root, const std::wstring& subKey);

// Whether a process with this image name runs; how many do.
int CountProcesses(const std::wstring& imageName);
// Ends every process with this image name.
void EndProcesses(const std::wstring& imageName);

// The journal lines of one program or library (compared without regard to case).
std::vector<setup::JournalLine> JournalOf(const std::wstring& program);

// Milliseconds since start (GetTickCount).
DWORD Since(DWORD start);

}  // namespace fixture

// Small helpers of the product tests: scratch folders, files, registry reads
// and names checked as Unicode.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace product_test {

// A fresh folder below the temporary folder, with a trailing backslash.
std::string ScratchFolder(const std::string& name);
void WriteFile(const std::string& path, const std::string& content);
std::string ReadFile(const std::string& path);
bool Exists(const std::string& path);
bool ExistsWide(const std::wstring& path);
std::wstring Wide(const std::string& narrow);
std::string Utf8(const std::wstring& wide);

// A value as stored: its type, and its bytes' length as the registry keeps it.
struct StoredValue {
    bool present = false;
    DWORD type = 0;
    std::string text;   // up to the first zero
    DWORD length = 0;   // bytes stored, the terminating zero included when counted
};
StoredValue ReadValue(HKEY root, const std::string& key, const char* name, REGSAM view = 0);
bool KeyExists(HKEY root, const std::string& key, REGSAM view = 0);
// Creates root\key and sets a REG_SZ value (null name: the default value).
void SetValue(HKEY root, const std::string& key, const char* name, const std::string& data);

// The stub program beside the build, as a Windows path.
std::string StubProgram();
// The stubs' journal (TOLVANE_JOURNAL, set to a file of the scratch area),
// one entry per line: program path, command line, working folder.
struct JournalEntry {
    std::wstring program, commandLine, folder;
};
std::string UseFreshJournal();
std::vector<JournalEntry> ReadJournal();
// Waits up to timeoutMs for the journal to hold at least count entries.
std::vector<JournalEntry> WaitForJournal(size_t count, DWORD timeoutMs);

}  // namespace product_test

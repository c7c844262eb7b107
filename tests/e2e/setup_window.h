// What the driver knows about the installer: its window, its states, its
// temporary payload files and the stubs' journal.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ui_driver.h"

namespace setup {

extern const wchar_t kCaption[];

// Control ids of the setup window.
enum ControlId {
    kInstall = 1001,
    kCancelFinish = 1002,
    kWelcome = 1003,
    kTitle = 1004,
    kProgress = 1007,
    kStatus = 1009,
    kRunNow = 1011,
    kCreateShortcuts = 1012,
    kDriveList = 1018,
    kDriveLabel = 1019,
};

enum class State { None, Ready, Installing, Finished, Other };
const char* StateName(State state);

// The state that the window's controls show; None without a window.
State ReadState(HWND window);
// The differences between the window and the full view of the state (which
// controls are shown, their texts, the check boxes), as UTF-8 lines; empty
// when the window shows exactly that state.
std::string DifferencesFrom(HWND window, State state);

// The setup window of the process, once it exists (and is visible when asked).
HWND WaitForWindow(const ui::Process& process, DWORD timeoutMs, bool visible = true);
// Waits until the window shows the state fully. Returns an empty text, or why
// not: the differences at the time-out, a message box that appeared, or the
// process's end.
std::string WaitForState(const ui::Process& process, HWND window, State state, DWORD timeoutMs);
// Waits for one message box of the process; returns false at the time-out.
bool WaitForMessageBox(const ui::Process& process, HWND window, DWORD timeoutMs, ui::MessageBoxInfo* box);

// What a run looked like from outside, watched until the process ended.
struct RunRecord {
    std::vector<State> states;  // successive different states of the window
    std::vector<ui::MessageBoxInfo> boxes;
    bool windowShown = false;
    bool exited = false;
    DWORD exitCode = 0;
    DWORD milliseconds = 0;
};
// Answer for a message box: IDOK, IDYES, IDNO; 0 leaves it.
using BoxAnswer = std::function<int(const ui::MessageBoxInfo&)>;
RunRecord WatchUntilExit(ui::Process& process, DWORD timeoutMs, const BoxAnswer& answer);

// The user's temporary folder (with a trailing backslash) and the four
// payload files the installer unpacks there.
std::wstring TempFolder();
extern const wchar_t* const kPayloadFiles[4];
void DeleteTemporaryPayload();
// Program Files\TolvaneKelm\ (with a trailing backslash), as a program of the
// driver's kind sees it, and so the installer built with it: for a 32-bit
// program on 64-bit Windows, "Program Files (x86)".
std::wstring InstallFolder();
// Whether this program, and so the installer built with it, runs as a 32-bit
// program on 64-bit Windows (WoW64: file-system and registry redirection).
bool RunsUnderWow64();
// Where the installer's system folder lies on disk (with a trailing
// backslash): the system folder, or under WoW64 the 32-bit one (syswow64),
// into which WoW64 redirects the system folder.
std::wstring SystemFolderOnDisk();
// The 64-bit system folder (with a trailing backslash) under WoW64, reached
// without redirection through NativeFileSize; empty elsewhere.
std::wstring NativeSystemFolder();
long long NativeFileSize(const std::wstring& path);  // -1 when missing
bool FileExists(const std::wstring& path);
long long FileSize(const std::wstring& path);  // -1 when missing

// The stubs' journal.
struct JournalLine {
    std::wstring program;
    std::wstring commandLine;
    std::wstring folder;
};
std::wstring JournalPath();
std::vector<JournalLine> ReadJournal();
void ClearJournal();

// What the installation wrote below root\subKey, in one registry view
// (KEY_WOW64_64KEY or KEY_WOW64_32KEY): "64:key\" -> "(key)" for each key (or
// its default value, when it has one) and "64:key\name" -> data for each named
// value (REG_SZ as text, others by type).
using RegistrySnapshot = std::map<std::wstring, std::wstring>;
void ReadRegistryTree(HKEY root, const std::wstring& subKey, REGSAM view, RegistrySnapshot& out);
// Both views of HKEY_LOCAL_MACHINE\SOFTWARE\TolvaneSample, the key the sample
// payload's registry files and controls write.
RegistrySnapshot ReadSampleRegistry();

}  // namespace setup

// The common ground of the end-to-end scenarios: the installer under test and
// the bounds of every wait.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>

#include "setup_window.h"
#include "ui_driver.h"

namespace e2e {

// The installer's exit codes, as README documents them for deployment tools.
constexpr DWORD kExitCompleted = 0;
constexpr DWORD kExitFolderAccessFailed = 5;
constexpr DWORD kExitUserCancelled = 1602;
constexpr DWORD kExitEntriesNotWritten = 1603;
constexpr DWORD kExitAlreadyRunning = 1618;
constexpr DWORD kExitPayloadDamaged = 1620;

// Bounds of the waits (polled, never slept through).
constexpr DWORD kWindowTimeout = 30000;    // first window of a fresh process
constexpr DWORD kStateTimeout = 10000;     // a state that follows a click at once
constexpr DWORD kInstallTimeout = 240000;  // a whole installation
constexpr DWORD kEndTimeout = 15000;       // the program's end after its last act

// Paths of the build under test, as the Windows side sees them.
std::wstring SetupProgram();
std::wstring StubProgram();
std::wstring StubLibrary();
std::wstring BadIndexStream();
// The streams of a system container whose one entry, "tampered.txt", fails
// its check (its data was changed after packing).
std::wstring TamperedIndexStream();
std::wstring TamperedDataStream();

// Copies a file; the target's folder is created.
bool CopyTo(const std::wstring& source, const std::wstring& target);
// Writes a small file; its folder is created.
bool PlaceFile(const std::wstring& path);
// A shell folder (CSIDL_...), without a trailing backslash.
std::wstring ShellFolder(int csidl);

// Waits until the stubs' journal shows the finish actions: the client
// "Tolvane.exe" started with "NoRunGUI" in the installation folder, and the
// reader server started without parameters. Returns an empty text, or what
// is missing or wrong.
std::string WaitForFinishActions();

class SetupScenario : public ::testing::Test {
protected:
    void SetUp() override;

    // Starts the installer with the command line and returns its window once
    // it is visible (null when it never showed).
    HWND StartWindowed(const std::wstring& arguments = L"", const std::wstring& program = L"");
    // Clicks Cancel, expects the question and answers it.
    void CancelWithAnswer(HWND window, int answer);
    // Expects the installer to end within the time-out with the exit code (a
    // crash ends it with its exception code).
    void ExpectEnds(DWORD timeoutMs = kEndTimeout, DWORD expectedExitCode = kExitCompleted);
    // Clears the journal, runs the installer with -s to its end and expects
    // exit code 0, no message box and the finish actions done.
    void InstallSilently();

    ui::Process installer;
};

}  // namespace e2e

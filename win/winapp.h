// The application base of our own layer: one object per program, whose
// InitInstance the program entry calls. This layer runs no message loop of
// its own: windows run theirs, and the program ends when InitInstance returns.
#pragma once

#include <windows.h>

#include <string>

// m_dwRestartManagerSupportFlags: register for restart with the restart manager.
constexpr DWORD AFX_RESTART_MANAGER_SUPPORT_RESTART = 0x01;

class CWnd;

class CWinApp {
public:
    CWinApp() = default;
    virtual ~CWinApp() = default;
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // The base start-up: registers the program with the restart manager when
    // its flags ask for restart support. Derived classes call it from theirs.
    virtual BOOL InitInstance();

    HINSTANCE m_hInstance = nullptr;
    // The command line after the program's path and the blanks that follow it.
    std::string m_strCmdLine;
    CWnd* m_pMainWnd = nullptr;
    DWORD m_dwRestartManagerSupportFlags = 0;
};

// The command-line text a program is handed: the full command line without
// the program's path (quoted or not) and without the blanks after it.
const char* CommandLineTail(const char* fullCommandLine);

// InitCommonControlsEx with the given classes, from the common controls
// library loaded now rather than with the program: its start-up waits for
// the desktop (under Wine, for the desktop process to start), and what the
// program does before its first window needs neither. The library comes as
// the program's manifest names it (version 6). False when it cannot be
// loaded or refuses.
bool InitCommonControlsNow(DWORD classes);

// The full path of the program's own file; empty when it cannot be had.
std::string ProgramFile();

// The program's name: its file name without folder and extension
// ("TolvaneSetup"), the caption of message boxes that bring none of their own.
std::string ProgramName();

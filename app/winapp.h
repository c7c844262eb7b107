// The application base of our own layer: one object per program, whose
// InitInstance the program entry calls. When InitInstance returns FALSE the
// program ends; this layer has no message loop of its own (windows run theirs).
#pragma once

#include <windows.h>

#include <string>

// Restart-manager support flags (m_dwRestartManagerSupportFlags).
constexpr DWORD AFX_RESTART_MANAGER_SUPPORT_RESTART = 0x01;
constexpr DWORD AFX_RESTART_MANAGER_SUPPORT_RECOVERY = 0x02;
constexpr DWORD AFX_RESTART_MANAGER_AUTOSAVE_AT_RESTART = 0x04;
constexpr DWORD AFX_RESTART_MANAGER_AUTOSAVE_AT_INTERVAL = 0x08;
constexpr DWORD AFX_RESTART_MANAGER_REOPEN_PREVIOUS_FILES = 0x10;
constexpr DWORD AFX_RESTART_MANAGER_RESTORE_AUTOSAVED_FILES = 0x20;

class CWnd;

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp() = default;
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // The base start-up: registers the program with the restart manager when
    // it supports restarting. Derived classes call it from their own.
    virtual BOOL InitInstance();

    // Capability queries, answered from m_dwRestartManagerSupportFlags.
    virtual bool SupportsRestartManager() const;
    virtual bool SupportsApplicationRecovery() const;
    virtual bool SupportsAutosaveAtRestart() const;
    virtual bool SupportsAutosaveAtInterval() const;
    virtual bool ReopenPreviousFilesAtRestart() const;
    virtual bool RestoreAutosavedFilesAtRestart() const;
    virtual DWORD GetApplicationRecoveryPingInterval() const { return m_dwRecoveryPingInterval; }
    virtual void* GetApplicationRecoveryParameter() const { return nullptr; }

    HINSTANCE m_hInstance = nullptr;
    // The command line after the program's path and the blanks that follow it.
    std::string m_strCmdLine;
    CWnd* m_pMainWnd = nullptr;
    DWORD m_dwRestartManagerSupportFlags = 0;
    DWORD m_dwRecoveryPingInterval = 5000;
    // The text the restart manager passes back after "/restart "; made at start-up.
    std::string m_strRestartIdentifier;
};

// The command-line text a program is handed: the full command line without
// the program's path (quoted or not) and without the blanks after it.
const char* CommandLineTail(const char* fullCommandLine);

// Runs app: fills its instance and command line, calls InitInstance and
// returns the program's exit code (0; this layer runs no loop after it).
int RunApplication(CWinApp& app, HINSTANCE instance, const char* commandLineTail);

#include "winapp.h"

#include <objbase.h>

#include <cstdio>

CWinApp::CWinApp() = default;

bool CWinApp::SupportsRestartManager() const
{
    return (m_dwRestartManagerSupportFlags & AFX_RESTART_MANAGER_SUPPORT_RESTART) != 0;
}

bool CWinApp::SupportsApplicationRecovery() const
{
    return (m_dwRestartManagerSupportFlags & AFX_RESTART_MANAGER_SUPPORT_RECOVERY) != 0;
}

bool CWinApp::SupportsAutosaveAtRestart() const
{
    return (m_dwRestartManagerSupportFlags & AFX_RESTART_MANAGER_AUTOSAVE_AT_RESTART) != 0;
}

bool CWinApp::SupportsAutosaveAtInterval() const
{
    return (m_dwRestartManagerSupportFlags & AFX_RESTART_MANAGER_AUTOSAVE_AT_INTERVAL) != 0;
}

bool CWinApp::ReopenPreviousFilesAtRestart() const
{
    return (m_dwRestartManagerSupportFlags & AFX_RESTART_MANAGER_REOPEN_PREVIOUS_FILES) != 0;
}

bool CWinApp::RestoreAutosavedFilesAtRestart() const
{
    return (m_dwRestartManagerSupportFlags & AFX_RESTART_MANAGER_RESTORE_AUTOSAVED_FILES) != 0;
}

namespace {

// A fresh identifier in the registry form of a GUID, {XXXXXXXX-...}.
std::string NewRestartIdentifier()
{
    GUID guid{};
    if (FAILED(::CoCreateGuid(&guid)))
        return std::string();
    char text[40];
    std::snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned long>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1],
                  guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
    return text;
}

DWORD CALLBACK RecoveryCallback(PVOID /*parameter*/)
{
    ::ApplicationRecoveryFinished(TRUE);
    return 0;
}

}  // namespace

BOOL CWinApp::InitInstance()
{
    if (!SupportsRestartManager() && !SupportsApplicationRecovery())
        return TRUE;
    if (m_strRestartIdentifier.empty())
        m_strRestartIdentifier = NewRestartIdentifier();

    if (SupportsRestartManager()) {
        // The restart manager starts the program again with "/restart <identifier>".
        std::string restart = "/restart " + m_strRestartIdentifier;
        wchar_t wide[64] = {};
        ::MultiByteToWideChar(CP_ACP, 0, restart.c_str(), -1, wide, 64);
        ::RegisterApplicationRestart(wide, 0);
    }
    if (SupportsApplicationRecovery())
        ::RegisterApplicationRecoveryCallback(&RecoveryCallback, GetApplicationRecoveryParameter(),
                                              GetApplicationRecoveryPingInterval(), 0);
    return TRUE;
}

const char* CommandLineTail(const char* full)
{
    if (!full)
        return "";
    auto* p = reinterpret_cast<const unsigned char*>(full);
    if (*p == '"') {
        ++p;
        while (*p && *p != '"')
            ++p;
        if (*p == '"')
            ++p;
    } else {
        while (*p > ' ')
            ++p;
    }
    while (*p && *p <= ' ')
        ++p;
    return reinterpret_cast<const char*>(p);
}

int RunApplication(CWinApp& app, HINSTANCE instance, const char* commandLineTail)
{
    app.m_hInstance = instance;
    app.m_strCmdLine = commandLineTail ? commandLineTail : "";
    app.InitInstance();
    return 0;
}

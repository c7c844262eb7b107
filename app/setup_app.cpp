#include "app/setup_app.h"

#include "app/command_line.h"
#include "install/exit_codes.h"
#include "app/setup_dlg.h"
#include "win/install_log.h"
#include "win/shell_folder.h"

#include <commctrl.h>

COstrinSetupApp::COstrinSetupApp()
{
    m_dwRestartManagerSupportFlags = AFX_RESTART_MANAGER_SUPPORT_RESTART;
}

BOOL COstrinSetupApp::InitInstance()
{
    // One installer at a time. The handle stays open until the process ends.
    // First of all: a second installer must touch nothing of the first
    // one's, not even its temporary payload files.
    HANDLE mutex = ::CreateMutexA(nullptr, FALSE, "TOLVANESETUP");
    // A second installer ends at once and says so; it leaves the first one's
    // log alone.
    if (!mutex || ::GetLastError() == ERROR_ALREADY_EXISTS) {
        if (mutex)
            ::CloseHandle(mutex);
        m_nExitCode = kExitAlreadyRunning;
        return FALSE;
    }

    CommandLineFlags flags = ParseCommandLine(m_strCmdLine.c_str());
    StartInstallLog(GetTempFolder(), m_strCmdLine, flags.silent ? "silent" : flags.fix ? "fix" : "interactive");

    COstrinSetupDlg dlg(flags.silent, flags.fix);
    // Silent and fix mode install at once: the payload's decoding, the
    // longest step, starts now and goes on while the common controls wait
    // for the desktop and the window and the first steps get ready.
    if (flags.silent || flags.fix)
        dlg.StartPayloadUnpacking();

    InitCommonControlsNow(ICC_WIN95_CLASSES);
    CWinApp::InitInstance();

    m_pMainWnd = &dlg;
    dlg.Create(nullptr);
    if (flags.silent)
        dlg.ShowWindow(SW_HIDE);
    dlg.RunModalLoop(0);
    m_nExitCode = dlg.ExitCode();
    LogExitCode(m_nExitCode);
    dlg.DestroyWindow();
    m_pMainWnd = nullptr;
    return FALSE;
}

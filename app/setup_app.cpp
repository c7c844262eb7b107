#include "setup_app.h"

#include "command_line.h"
#include "setup_dlg.h"
#include "win/install_log.h"
#include "win/shell_folder.h"

#include <commctrl.h>

COstrinSetupApp::COstrinSetupApp()
{
    m_dwRestartManagerSupportFlags = AFX_RESTART_MANAGER_SUPPORT_RESTART;
}

BOOL COstrinSetupApp::InitInstance()
{
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_WIN95_CLASSES;
    ::InitCommonControlsEx(&controls);

    CWinApp::InitInstance();

    // One installer at a time. The handle stays open until the process ends.
    HANDLE mutex = ::CreateMutexA(nullptr, FALSE, "TOLVANESETUP");
    if (!mutex)
        return FALSE;
    if (::GetLastError() == ERROR_ALREADY_EXISTS) {
        ::CloseHandle(mutex);
        return FALSE;
    }

    CommandLineFlags flags = ParseCommandLine(m_strCmdLine.c_str());
    StartInstallLog(GetTempFolder(), m_strCmdLine, flags.silent ? "silent" : flags.fix ? "fix" : "interactive");

    COstrinSetupDlg dlg(flags.silent, flags.fix);
    m_pMainWnd = &dlg;
    dlg.Create(nullptr);
    if (flags.silent)
        dlg.ShowWindow(SW_HIDE);
    dlg.RunModalLoop(0);
    dlg.DestroyWindow();
    m_pMainWnd = nullptr;
    return FALSE;
}

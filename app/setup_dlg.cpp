#include "app/setup_dlg.h"

#include "sysint/product.h"

#include "install/exit_codes.h"
#include "install/install_worker.h"
#include "res/resource.h"
#include "sysint/product_shortcuts.h"
#include "win/install_log.h"
#include "win/shell_folder.h"
#include "win/winapp.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>

namespace {

const char* AnswerName(int answer)
{
    switch (answer) {
    case IDOK:
        return "OK";
    case IDYES:
        return "Yes";
    case IDNO:
        return "No";
    case IDCANCEL:
        return "Cancel";
    }
    return "none";
}

// The notification record as the shell reads it: the full size, with the
// balloon icon field (508 bytes for this 32-bit program).
constexpr DWORD kNotifyIconDataSize = sizeof(NOTIFYICONDATAA);
#ifndef _WIN64
static_assert(kNotifyIconDataSize == 508, "the full notification record is 508 bytes");
#endif
constexpr UINT kTrayIconId = 128;

// Which controls each state shows.
struct StateControl {
    int id;
    bool shownWhen[3];  // Ready, Installing, Finished
};

constexpr StateControl StateControls[] = {
    {IDC_WELCOME, {true, false, false}},
    {IDC_STATUS, {false, true, false}},
    {IDC_PROGRESS, {false, true, false}},
    {IDC_TITLE, {true, true, true}},
    {IDC_INSTALL, {true, false, false}},
    {IDC_RUN_NOW, {false, false, false}},
    {IDC_CREATE_SHORTCUTS, {false, false, false}},
    {IDC_DRIVE_LABEL, {false, false, false}},
    {IDC_DRIVE_LIST, {false, false, false}},
};

constexpr char kWelcomeText[] =
    "这个向导将指引您完成安装进程。\r\n\r\n在开始安装之前，请先拨出数字证书介质并关闭其他所有应用程序。\r\n\r\n"
    "单击 [安装] 继续。";
constexpr char kFinishedText[] = "安装完成，请手动重启计算机。";

void CopyText(char* target, size_t size, const char* text)
{
    std::strncpy(target, text ? text : "", size - 1);
    target[size - 1] = '\0';
}

}  // namespace

COstrinSetupDlg::COstrinSetupDlg(bool silent, bool fix)
    : CDialogEx(IDD_SETUP_DIALOG),
      m_bSilent(silent),
      m_bFix(fix)
{
    const std::string temp = GetTempFolder();
    m_strSetupIndexPath = temp + "setupdir.qvai";
    m_strSetupDataPath = temp + "setupdir.qvas";
    m_strSystemIndexPath = temp + "windir.qvai";
    m_strSystemDataPath = temp + "windir.qvas";
}

PayloadPaths COstrinSetupDlg::PayloadPathsOfWindow() const
{
    return {m_strSetupIndexPath, m_strSetupDataPath, m_strSystemIndexPath, m_strSystemDataPath};
}

COstrinSetupDlg::~COstrinSetupDlg()
{
    // The window goes before the title font it shows.
    DestroyWindow();
}

void COstrinSetupDlg::DoDataExchange()
{
    DDX_Control(IDC_TITLE, m_title);
    DDX_Control(IDC_PROGRESS, m_progress);
    DDX_Control(IDC_RUN_NOW, m_runNow);
    DDX_Control(IDC_CREATE_SHORTCUTS, m_createShortcuts);
}

BOOL COstrinSetupDlg::OnInitDialog()
{
    CDialogEx::OnInitDialog();

    // Loaded with the window, not with the object: an icon needs the
    // desktop, which the payload's unpacking does not wait for.
    m_hIcon = ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));
    Send(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    Send(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    m_titleFont.Reset(::CreateFontA(30, 30, 0, 0, 500, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                                    CLIP_DEFAULT_PRECIS, DRAFT_QUALITY, FIXED_PITCH | FF_MODERN, "微软雅黑"));
    m_title.Send(WM_SETFONT, reinterpret_cast<WPARAM>(m_titleFont.Get()), TRUE);
    m_title.SetText("欢迎使用安装向导");

    SetText(kProductName);

    ::SetDlgItemTextA(m_hWnd, IDC_WELCOME, kWelcomeText);

    if (m_bSilent) {
        ShowWindow(SW_HIDE);
        ::EnableWindow(GetDlgItem(IDC_CANCEL_FINISH), FALSE);
        AddTrayIcon();
    } else {
        ShowWindow(SW_SHOW);
    }

    SetWindowState(Ready);
    if (m_bSilent || m_bFix)
        StartUnattended();
    return TRUE;
}

void COstrinSetupDlg::SetStatus(const char* text)
{
    ::SetDlgItemTextA(m_hWnd, IDC_STATUS, text);
}

void COstrinSetupDlg::SetProgress(int n)
{
    // The extraction reports after every file: from the worker, range and
    // position go to the window's thread in one message, which sets both
    // there and returns when they are set. The bar moves in whole steps, far
    // fewer than the files: a position that it shows already is not sent
    // again, as each message is a round trip to the window's thread.
    if (::GetWindowThreadProcessId(m_hWnd, nullptr) != ::GetCurrentThreadId()) {
        if (m_shownProgress.load() != n)
            ::SendMessageA(m_hWnd, WM_SETPROGRESS, static_cast<WPARAM>(n), 0);
        return;
    }
    m_progress.SetRange(0, 100);
    m_progress.SetPos(n);
    m_shownProgress.store(n);
}

void COstrinSetupDlg::ShowSetupWindow(bool show)
{
    ShowWindow(show ? SW_SHOW : SW_HIDE);
}

int COstrinSetupDlg::ShowMessage(const char* text, const char* caption, UINT type)
{
    const std::string programName = caption ? std::string() : ProgramName();
    const char* shownCaption = caption ? caption : programName.c_str();
    LogLine("message box [%s] %s", shownCaption, text);
    int answer = ::MessageBoxA(m_hWnd, text, shownCaption, type);
    LogLine("message box answered: %s", AnswerName(answer));
    return answer;
}

void COstrinSetupDlg::Finish(const std::string& installFolder, unsigned exitCode)
{
    m_strInstallFolder = installFolder;
    m_nExitCode = exitCode;
    SetWindowState(Finished);
    if (m_bSilent || m_bFix)
        FinishUnattended();
}

void COstrinSetupDlg::EndProgram(UINT exitCode)
{
    // Ending the process is the only stop that cannot hang: a worker stopped
    // on its own may hold the heap's, the loader's or COM's locks, which a
    // normal exit would then wait for.
    if (m_bSilent)
        RemoveTrayIcon();
    LogExitCode(exitCode);
    std::fflush(stdout);
    ::TerminateProcess(::GetCurrentProcess(), exitCode);
}

void COstrinSetupDlg::SetWindowState(int state)
{
    if (state < Ready || state > Finished)
        return;
    m_nState = state;
    for (const StateControl& row : StateControls)
        ::ShowWindow(GetDlgItem(row.id), row.shownWhen[state] ? SW_SHOW : SW_HIDE);

    switch (state) {
    case Ready:
        ::SetDlgItemTextA(m_hWnd, IDC_CANCEL_FINISH, "取消");
        break;
    case Installing:
        m_title.SetText("正在安装");
        ::SetDlgItemTextA(m_hWnd, IDC_CANCEL_FINISH, "取消");
        break;
    case Finished:
        m_title.SetText(kFinishedText);
        m_runNow.SetCheck(BST_CHECKED);
        m_createShortcuts.SetCheck(BST_CHECKED);
        ::SetDlgItemTextA(m_hWnd, IDC_CANCEL_FINISH, "完成");
        break;
    default:
        break;
    }
}

void COstrinSetupDlg::StartUnattended()
{
    SetWindowState(Installing);
    StartWorker();
    ShowTrayBalloon("正在安装，请稍候。", 99999);
}

void COstrinSetupDlg::FinishUnattended()
{
    ShowTrayBalloon(kFinishedText, 2233);
    RemoveTrayIcon();
    // Ends the loop; nothing here touches the window after it.
    RunFinishActions();
}

void COstrinSetupDlg::OnInstall()
{
    // Enter reaches the hidden default button too: install once, from Ready only.
    if (m_nState != Ready)
        return;
    SetWindowState(Installing);
    StartWorker();
}

void COstrinSetupDlg::StartWorker()
{
    if (m_hWorker)
        return;
    m_installRequest.reporter = this;
    m_installRequest.control = this;
    m_installRequest.silent = m_bSilent;
    m_installRequest.payload = PayloadPathsOfWindow();
    m_installRequest.unpacking = &m_payloadUnpacking;
    m_hWorker.Reset(::CreateThread(nullptr, 0, &InstallWorker, &m_installRequest, 0, nullptr));
}

void COstrinSetupDlg::OnCancelOrFinish()
{
    if (m_nState == Finished) {
        RunFinishActions();
        return;
    }
    LogLine("message box [提示] 您确定要取消安装吗?");
    int answer = ::MessageBoxA(m_hWnd, "您确定要取消安装吗?", "提示", MB_YESNO | MB_ICONQUESTION);
    LogLine("message box answered: %s", AnswerName(answer));
    if (answer != IDYES)
        return;
    // The worker stops with the whole program, wherever it is.
    if (m_hWorker) {
        LogLine("cancelled during the installation: the program ends at once");
        EndProgram(kExitUserCancelled);
    }
    m_nExitCode = kExitUserCancelled;
    OnOK();
}

void COstrinSetupDlg::RunFinishActions()
{
    LogLine("finish actions: start the client %s, desktop shortcuts %s",
            m_runNow.GetCheck() == BST_CHECKED ? "yes" : "no", m_createShortcuts.GetCheck() == BST_CHECKED ? "yes" : "no");
    if (m_runNow.GetCheck() == BST_CHECKED) {
        // By its full path: a bare name would be looked up along the search
        // path, where a folder users can write may come first.
        const std::string client = m_strInstallFolder + "Tolvane.exe";
        HINSTANCE result =
            ::ShellExecuteA(nullptr, "open", client.c_str(), "NoRunGUI", m_strInstallFolder.c_str(), SW_SHOWNORMAL);
        LogLine("program started: Tolvane.exe NoRunGUI in %s (result %d)", m_strInstallFolder.c_str(),
                static_cast<int>(reinterpret_cast<INT_PTR>(result)));
    }
    CreateProductShortcuts(m_strInstallFolder, m_createShortcuts.GetCheck() == BST_CHECKED);
    std::string server = m_strInstallFolder + "OESRPC_win32\\SwOESServer.exe";
    HINSTANCE result = ::ShellExecuteA(nullptr, "open", server.c_str(), nullptr, nullptr, SW_SHOW);
    LogLine("program started: %s, no parameters, no working folder (result %d)", server.c_str(),
            static_cast<int>(reinterpret_cast<INT_PTR>(result)));
    LogLine("finish actions done, the program ends");
    OnOK();
}

bool COstrinSetupDlg::OnCommand(WORD id, WORD code, HWND control)
{
    if (code == BN_CLICKED && id == IDC_INSTALL) {
        OnInstall();
        return true;
    }
    if (code == BN_CLICKED && id == IDC_CANCEL_FINISH) {
        OnCancelOrFinish();
        return true;
    }
    return CDialogEx::OnCommand(id, code, control);
}

bool COstrinSetupDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case WM_PAINT:
        if (!::IsIconic(m_hWnd))
            return false;
        OnPaint();
        result = 0;
        return true;
    case WM_QUERYDRAGICON:
        result = reinterpret_cast<LRESULT>(m_hIcon);
        return true;
    case WM_CLOSE:
        // A close request minimises; the installation goes on.
        ShowWindow(SW_MINIMIZE);
        result = 0;
        return true;
    case WM_TRAYNOTIFY:
        result = OnTrayNotify(wParam, lParam);
        return true;
    case WM_SETPROGRESS:
        SetProgress(static_cast<int>(wParam));
        result = 0;
        return true;
    default:
        return CDialogEx::OnMessage(message, wParam, lParam, result);
    }
}

void COstrinSetupDlg::OnPaint()
{
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(m_hWnd, &paint);
    Send(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    int iconWidth = ::GetSystemMetrics(SM_CXICON);
    int iconHeight = ::GetSystemMetrics(SM_CYICON);
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    int x = (client.right - client.left - iconWidth + 1) / 2;
    int y = (client.bottom - client.top - iconHeight + 1) / 2;
    ::DrawIcon(dc, x, y, m_hIcon);
    ::EndPaint(m_hWnd, &paint);
}

LRESULT COstrinSetupDlg::OnTrayNotify(WPARAM /*wParam*/, LPARAM lParam)
{
    if (lParam == WM_LBUTTONDOWN || lParam == WM_RBUTTONDOWN)
        ShowWindow(SW_SHOW);
    return 0;
}

void COstrinSetupDlg::AddTrayIcon()
{
    m_nid.cbSize = kNotifyIconDataSize;
    m_nid.hWnd = m_hWnd;
    m_nid.uID = kTrayIconId;
    m_nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_nid.uCallbackMessage = WM_TRAYNOTIFY;
    m_nid.hIcon = m_hIcon;
    CopyText(m_nid.szTip, sizeof m_nid.szTip, "正在安装...请稍候!");
    ::Shell_NotifyIconA(NIM_ADD, &m_nid);
}

void COstrinSetupDlg::ShowTrayBalloon(const char* text, UINT timeout)
{
    m_nid.cbSize = kNotifyIconDataSize;
    m_nid.uFlags = NIF_INFO;
    m_nid.uTimeout = timeout;
    m_nid.dwInfoFlags = NIIF_NONE;
    CopyText(m_nid.szInfo, sizeof m_nid.szInfo, text);
    CopyText(m_nid.szInfoTitle, sizeof m_nid.szInfoTitle, "安装向导");
    ::Shell_NotifyIconA(NIM_MODIFY, &m_nid);
}

void COstrinSetupDlg::RemoveTrayIcon()
{
    ::Shell_NotifyIconA(NIM_DELETE, &m_nid);
}

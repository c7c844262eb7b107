#include "win/dialog.h"

CDialogEx::CDialogEx(UINT templateId, CWnd* parent) : m_templateId(templateId), m_pParentWnd(parent) {}

CDialogEx::~CDialogEx()
{
    DestroyWindow();
}

bool CDialogEx::Create(CWnd* parent)
{
    if (parent)
        m_pParentWnd = parent;
    m_endRequested = false;
    m_nModalResult = -1;
    HWND owner = m_pParentWnd ? m_pParentWnd->GetSafeHwnd() : nullptr;
    HWND hwnd = ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_templateId), owner,
                                     &CDialogEx::DialogProc, reinterpret_cast<LPARAM>(this));
    return hwnd != nullptr;
}

INT_PTR CDialogEx::RunModalLoop(DWORD flags)
{
    if (!EndRequested() && (flags & MLF_SHOWONIDLE) && m_hWnd && !::IsWindowVisible(m_hWnd))
        ::ShowWindow(m_hWnd, SW_SHOWNORMAL);

    MSG msg;
    while (!EndRequested() && m_hWnd && ::IsWindow(m_hWnd)) {
        BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) {
            // Leave WM_QUIT for an outer loop, as a nested loop must.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (got == -1)
            break;
        if (m_hWnd && ::IsDialogMessageA(m_hWnd, &msg))
            continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    return m_nModalResult.load();
}

INT_PTR CDialogEx::DoModal()
{
    HWND owner = m_pParentWnd ? m_pParentWnd->GetSafeHwnd() : nullptr;
    if (!Create())
        return -1;
    bool ownerDisabled = false;
    if (owner && ::IsWindowEnabled(owner)) {
        ::EnableWindow(owner, FALSE);
        ownerDisabled = true;
    }
    INT_PTR result = RunModalLoop(MLF_SHOWONIDLE);
    if (ownerDisabled)
        ::EnableWindow(owner, TRUE);
    if (m_hWnd)
        ::ShowWindow(m_hWnd, SW_HIDE);
    DestroyWindow();
    return result;
}

void CDialogEx::EndDialog(INT_PTR result)
{
    m_nModalResult = result;
    m_endRequested = true;
    // Wake the loop: GetMessage returns, the loop sees the request and ends.
    HWND hwnd = m_hWnd;
    if (hwnd)
        ::PostMessageA(hwnd, WM_NULL, 0, 0);
}

void CDialogEx::DestroyWindow()
{
    if (m_hWnd && ::IsWindow(m_hWnd))
        ::DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
}

BOOL CDialogEx::OnInitDialog()
{
    DoDataExchange();
    return TRUE;
}

void CDialogEx::OnOK()
{
    EndDialog(IDOK);
}

void CDialogEx::OnCancel()
{
    EndDialog(IDCANCEL);
}

bool CDialogEx::OnCommand(WORD id, WORD /*code*/, HWND /*control*/)
{
    switch (id) {
    case IDOK:
        OnOK();
        return true;
    case IDCANCEL:
        OnCancel();
        return true;
    default:
        return false;
    }
}

bool CDialogEx::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (message == WM_COMMAND) {
        result = 0;
        return OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
    }
    return false;
}

void CDialogEx::DDX_Control(int id, CWnd& control)
{
    control.Attach(::GetDlgItem(m_hWnd, id));
}

namespace {

// Messages whose result a dialog procedure returns itself instead of through DWLP_MSGRESULT.
bool ReturnsDirectly(UINT message)
{
    switch (message) {
    case WM_CHARTOITEM:
    case WM_COMPAREITEM:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_QUERYDRAGICON:
    case WM_VKEYTOITEM:
        return true;
    default:
        return false;
    }
}

}  // namespace

INT_PTR CALLBACK CDialogEx::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<CDialogEx*>(lParam);
        ::SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        self->m_hWnd = hwnd;
        return self->OnInitDialog();
    }
    auto* self = reinterpret_cast<CDialogEx*>(::GetWindowLongPtrA(hwnd, DWLP_USER));
    if (!self)
        return FALSE;
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrA(hwnd, DWLP_USER, 0);
        self->m_hWnd = nullptr;
        return FALSE;
    }
    LRESULT result = 0;
    if (!self->OnMessage(message, wParam, lParam, result))
        return FALSE;
    if (ReturnsDirectly(message))
        return static_cast<INT_PTR>(result);
    ::SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, result);
    return TRUE;
}

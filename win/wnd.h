// Windows and controls of our own small dialog layer: a thin owner of an HWND
// with the few operations the installer's windows need. Every call is the -A
// form; from another thread each one is a message sent to the window's thread.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND GetSafeHwnd() const { return m_hWnd; }
    void Attach(HWND hwnd) { m_hWnd = hwnd; }

    void ShowWindow(int command) const { ::ShowWindow(m_hWnd, command); }
    void EnableWindow(bool enable) const { ::EnableWindow(m_hWnd, enable ? TRUE : FALSE); }
    bool IsVisible() const { return ::IsWindowVisible(m_hWnd) != FALSE; }
    void SetText(const char* text) const { ::SetWindowTextA(m_hWnd, text); }
    std::string GetText() const;
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendMessageA(m_hWnd, message, wParam, lParam);
    }

    HWND m_hWnd = nullptr;
};

class CStatic : public CWnd {};

class CButton : public CWnd {
public:
    // BST_CHECKED, BST_UNCHECKED or BST_INDETERMINATE.
    int GetCheck() const { return static_cast<int>(Send(BM_GETCHECK)); }
    void SetCheck(int state) const { Send(BM_SETCHECK, static_cast<WPARAM>(state)); }
};

class CProgressCtrl : public CWnd {
public:
    void SetRange(int lower, int upper) const { Send(PBM_SETRANGE, 0, MAKELPARAM(lower, upper)); }
    void SetPos(int pos) const { Send(PBM_SETPOS, static_cast<WPARAM>(pos)); }
};

class CListBox : public CWnd {
public:
    // The index the string got (the list may keep itself sorted), or LB_ERR / LB_ERRSPACE.
    int AddString(const char* text) const
    {
        return static_cast<int>(Send(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
    }
    int GetCount() const { return static_cast<int>(Send(LB_GETCOUNT)); }
    std::string GetText(int index) const;
};

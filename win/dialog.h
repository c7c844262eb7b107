// The dialog base of our own layer: a dialog built from a resource template of
// the program, modeless or modal, with its own message loop.
//
// Derived dialogs override OnInitDialog (call the base first: it binds the
// controls through DoDataExchange), DoDataExchange (DDX_Control for every
// bound member), OnCommand for their buttons, and OnMessage for any other
// message. EndDialog may be called from any thread, also from within
// OnInitDialog; the loop then ends before the window is ever shown.
#pragma once

#include "win/wnd.h"

#include <atomic>

// RunModalLoop flag: show the window before waiting for the first message.
constexpr DWORD MLF_SHOWONIDLE = 0x0004;

class CDialogEx : public CWnd {
public:
    // templateId: the dialog template among the program's resources.
    explicit CDialogEx(UINT templateId, CWnd* parent = nullptr);
    ~CDialogEx() override;

    // Creates the dialog modeless from its template, owned by parent (may be
    // null). OnInitDialog runs before it returns. False when the window could
    // not be created.
    bool Create(CWnd* parent = nullptr);

    // Dispatches this thread's messages until EndDialog is called (or the
    // window is gone, or WM_QUIT arrives); returns the EndDialog result.
    INT_PTR RunModalLoop(DWORD flags = 0);

    // Creates the dialog, disables its owner, runs the loop with the window
    // shown, then destroys the window. Returns the EndDialog result, or -1
    // when the window could not be created.
    INT_PTR DoModal();

    // Ends the loop with result. Safe from any thread: it records the result
    // and wakes the window's thread.
    void EndDialog(INT_PTR result);

    // Destroys the window (on its own thread).
    void DestroyWindow();

    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }

protected:
    // Binds the controls (DDX_Control) and returns TRUE to let the system set
    // the focus.
    virtual BOOL OnInitDialog();
    virtual void DoDataExchange() {}
    // Ends the dialog with IDOK / IDCANCEL.
    virtual void OnOK();
    virtual void OnCancel();
    // WM_COMMAND. The base routes IDOK and IDCANCEL to OnOK and OnCancel.
    // Returns true when the command was handled.
    virtual bool OnCommand(WORD id, WORD code, HWND control);
    // Any message besides WM_INITDIALOG. Return true when handled, with the
    // message's result in result. The base handles WM_COMMAND.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    // Attaches control to the dialog item id.
    void DDX_Control(int id, CWnd& control);

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    bool EndRequested() const { return m_endRequested.load(); }

    UINT m_templateId;
    CWnd* m_pParentWnd;
    std::atomic<bool> m_endRequested{false};
    std::atomic<INT_PTR> m_nModalResult{-1};
};

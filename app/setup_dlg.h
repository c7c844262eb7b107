// The setup window: welcome text and Install button, then status line and
// progress bar while the install worker runs, then the finished message with
// a Finish button. Hidden with a notification-area icon in silent mode; in
// silent and fix mode it starts and finishes the installation by itself.
#pragma once

#include "dialog.h"
#include "handles.h"

#include <shellapi.h>

#include <atomic>
#include <string>

class COstrinSetupDlg : public CDialogEx {
public:
    enum State { Ready = 0, Installing = 1, Finished = 2 };

    // The notification icon's callback message.
    static constexpr UINT WM_TRAYNOTIFY = WM_USER + 5;

    COstrinSetupDlg(bool silent, bool fix);
    ~COstrinSetupDlg() override;

    // Worker-side reports. Called from any thread; from the worker each is a
    // message sent to the window's thread, which waits for it to be handled.
    void SetStatus(const char* text);
    void SetStatus(const std::string& text) { SetStatus(text.c_str()); }
    void SetProgress(int n);
    void SetWindowState(int state);

    // The finish actions: start the client and the reader server, end the loop.
    void RunFinishActions();

    // Read by the worker; the window's thread does not change them while it runs.
    HICON m_hIcon;
    std::atomic<int> m_nState{Ready};
    ScopedHandle m_hWorker;
    CStatic m_title;
    CProgressCtrl m_progress;
    std::string m_strSetupIndexPath;
    std::string m_strSetupDataPath;
    std::string m_strSystemIndexPath;
    std::string m_strSystemDataPath;
    // Written by the worker just before it switches the window to Finished.
    std::string m_strInstallFolder;
    CEdit m_status;
    CButton m_runNow;
    bool m_bSilent;
    bool m_bFix;
    CButton m_createShortcuts;
    NOTIFYICONDATAA m_nid{};

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange() override;
    // Esc does not end the installer; the Cancel button asks first.
    void OnCancel() override {}
    bool OnCommand(WORD id, WORD code, HWND control) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void OnInstall();
    void OnCancelOrFinish();
    void StartWorker();
    void OnPaint();
    LRESULT OnTrayNotify(WPARAM wParam, LPARAM lParam);
    void AddTrayIcon();
    void ShowTrayBalloon(const char* text, UINT timeout);
    void RemoveTrayIcon();

    ScopedFont m_titleFont;
};

// The setup window: welcome text and Install button, then status line and
// progress bar while the install worker runs, then the finished message with
// a Finish button. Hidden with a notification-area icon in silent mode; in
// silent and fix mode it starts and finishes the installation by itself.
#pragma once

#include "install/install_context.h"
#include "install/payload_resources.h"
#include "win/dialog.h"
#include "win/handle.h"

#include <shellapi.h>

#include <atomic>
#include <string>

class COstrinSetupDlg : public CDialogEx, public InstallReporter, public InstallRunControl {
public:
    enum State { Ready = 0, Installing = 1, Finished = 2 };

    // The notification icon's callback message.
    static constexpr UINT WM_TRAYNOTIFY = WM_USER + 5;
    // Sets the progress bar from the window's own thread (wParam: position).
    static constexpr UINT WM_SETPROGRESS = WM_APP + 1;

    COstrinSetupDlg(bool silent, bool fix);
    ~COstrinSetupDlg() override;

    // The program's exit code once the window's loop has ended.
    unsigned ExitCode() const { return m_nExitCode; }

    // The worker's reports. From the worker each is a message sent to the
    // window's thread, which waits for it to be handled.
    void SetStatus(const char* text) override;
    void SetProgress(int n) override;
    void ShowSetupWindow(bool show) override;
    int ShowMessage(const char* text, const char* caption, UINT type) override;
    void Finish(const std::string& installFolder, unsigned exitCode) override;
    // Removes the notification icon and ends the process at once: nothing
    // waits for the worker or for anything it may hold.
    void EndProgram(UINT exitCode) override;

    // Stores the state and shows the controls of that state; nothing else.
    void SetWindowState(int state);

    // The finish actions: start the client and the reader server, end the loop.
    void RunFinishActions();

    // Starts unpacking the payload's data files into their temporary paths
    // before the window is made, for a run that starts installing at once;
    // the installation's payload step then finds them under way.
    void StartPayloadUnpacking() { m_payloadUnpacking.StartDataFiles(PayloadPathsOfWindow()); }

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
    // Silent and fix mode: the installation starts at once, and its end runs
    // the finish actions.
    void StartUnattended();
    void FinishUnattended();
    void OnPaint();
    LRESULT OnTrayNotify(WPARAM wParam, LPARAM lParam);
    void AddTrayIcon();
    void ShowTrayBalloon(const char* text, UINT timeout);
    void RemoveTrayIcon();
    PayloadPaths PayloadPathsOfWindow() const;

    HICON m_hIcon = nullptr;
    std::atomic<int> m_nState{Ready};
    KernelHandle m_hWorker;
    CStatic m_title;
    CProgressCtrl m_progress;
    // The bar's position as last set on the window's thread (-1: none yet).
    std::atomic<int> m_shownProgress{-1};
    std::string m_strSetupIndexPath;
    std::string m_strSetupDataPath;
    std::string m_strSystemIndexPath;
    std::string m_strSystemDataPath;
    // Set by the worker just before it switches the window to Finished.
    std::string m_strInstallFolder;
    std::atomic<unsigned> m_nExitCode{0};
    CButton m_runNow;
    bool m_bSilent;
    bool m_bFix;
    CButton m_createShortcuts;
    NOTIFYICONDATAA m_nid{};

    // What the worker is started with; lives as long as the window.
    InstallRequest m_installRequest;
    PayloadUnpacking m_payloadUnpacking;
    GdiObject m_titleFont;
};

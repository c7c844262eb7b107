// A small driver for Windows programs under test: starts them, finds their
// windows, reads controls, clicks buttons and answers message boxes, the way
// a person at the screen would.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace ui {

// A program started by the driver; still running when the object goes, it is
// terminated.
class Process {
public:
    Process() = default;
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // Starts "program" arguments in folder (empty: the driver's own).
    bool Start(const std::wstring& program, const std::wstring& arguments, const std::wstring& folder = L"");
    DWORD Id() const { return m_id; }
    bool Running() const;
    // True when the program ended within timeoutMs; its exit code goes to *exitCode.
    bool WaitForExit(DWORD timeoutMs, DWORD* exitCode = nullptr);
    void Terminate();

private:
    HANDLE m_process = nullptr;
    DWORD m_id = 0;
};

// Polls condition every pollMs until it holds or timeoutMs have passed.
template <class Condition>
bool WaitFor(Condition condition, DWORD timeoutMs, DWORD pollMs = 10)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return condition();
        Sleep(pollMs);
    }
}

// The top-level window of process pid with exactly this caption, or null.
HWND FindTopWindow(DWORD pid, const std::wstring& caption);
// Every top-level window of process pid that is visible.
std::vector<HWND> VisibleTopWindows(DWORD pid);

// The text of a window or control of any process (WM_GETTEXT, which crosses
// process boundaries; works for edit controls too).
std::wstring WindowText(HWND window);
std::wstring ControlText(HWND dialog, int id);
// Whether the control carries WS_VISIBLE itself (also inside a hidden window).
bool IsControlShown(HWND dialog, int id);
bool IsControlEnabled(HWND dialog, int id);
bool IsButtonChecked(HWND dialog, int id);
// Clicks a button as a person would: only a visible, enabled one.
bool ClickButton(HWND dialog, int id);

struct MessageBoxInfo {
    HWND window = nullptr;
    HWND owner = nullptr;
    std::wstring caption;
    std::wstring text;
};
// The message boxes that process pid shows: visible top-level dialogs with a
// visible message text (static control 0xFFFF); the window "exclude" is never
// one.
std::vector<MessageBoxInfo> FindMessageBoxes(DWORD pid, HWND exclude);
// Answers a message box with IDOK, IDYES, IDNO or IDCANCEL and waits until it is gone.
bool AnswerMessageBox(const MessageBoxInfo& box, int answer, DWORD timeoutMs = 5000);

// The processes started by process parent that still run.
std::vector<DWORD> ChildProcesses(DWORD parent);
// The command line of a running process of the same bitness, read from its
// process parameters; empty when it cannot be read.
std::wstring CommandLineOf(DWORD pid);

// Saves what the screen shows of a window as a 24-bit BMP file.
bool CaptureWindow(HWND window, const std::wstring& bmpPath);

// Every file below folder (ending with "\\"), by prefix + its path relative
// to folder, with its full path.
void ListFiles(const std::wstring& folder, const std::wstring& prefix, std::map<std::wstring, std::wstring>& files);

// Text helpers.
std::string Utf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);
// The ANSI code page (936 under zh_CN), as the installer's narrow text is.
std::string Ansi(const std::wstring& text);
std::wstring FromAnsi(const std::string& text);
// A host path ("/work/...") as Wine shows it to Windows programs ("Z:\work\...").
std::wstring WindowsPathOfHost(const std::string& hostPath);

}  // namespace ui

// The installation as the setup window sees it: every status text and every
// progress position, recorded by the window's own controls as they arrive,
// in order, against the list the install driver must produce.
#include "app/setup_dlg.h"

#include "res/resource.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

// What the status line and the progress bar received, on the window's thread.
std::vector<std::string> g_events;
WNDPROC g_statusProc = nullptr;
WNDPROC g_progressProc = nullptr;

LRESULT CALLBACK RecordStatus(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SETTEXT)
        g_events.push_back(std::string("status ") + reinterpret_cast<const char*>(lParam));
    return ::CallWindowProcA(g_statusProc, hwnd, message, wParam, lParam);
}

LRESULT CALLBACK RecordProgress(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == PBM_SETPOS)
        g_events.push_back("progress " + std::to_string(wParam));
    return ::CallWindowProcA(g_progressProc, hwnd, message, wParam, lParam);
}

// The sample payload: 65 entries for the installation folder and 6 for the
// system folder, with the runtime, .NET and virtual printer setups among them.
constexpr size_t kSampleEntries = 65 + 6;

// Every status and position of a run with the sample payload, on a machine
// without .NET Framework 4: all optional steps show their statuses.
std::vector<std::string> ExpectedEvents()
{
    std::vector<std::string> events = {"status 自动关闭进程", "status 检查安装环境", "status 正在解压文件"};
    // The position after each entry of both containers, rounded down; one
    // that the bar shows already is not sent again.
    for (size_t done = 1; done <= kSampleEntries; ++done) {
        const std::string position = "progress " + std::to_string(50 * done / kSampleEntries);
        if (events.back() != position)
            events.push_back(position);
    }
    for (const char* later :
         {"status 设置环境变量", "progress 20", "status 安装运行库", "progress 25", "status 安装.NET环境", "progress 30",
          "progress 40", "status 写入注册表", "status 注册控件", "progress 50", "status 安装虚拟打印"})
        events.push_back(later);
    for (const char* last : {"progress 60", "progress 70", "progress 80", "progress 100"})
        events.push_back(last);
    return events;
}

std::string Text(HWND control)
{
    char text[256] = {};
    ::GetWindowTextA(control, text, sizeof text);
    return text;
}

TEST(InstallSequence, StatusTextsAndProgressArriveInTheirOrder)
{
    HKEY netKey = nullptr;
    ASSERT_NE(::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\.NETFramework\\v4.0.30319", 0, KEY_READ,
                              &netKey),
              ERROR_SUCCESS)
        << "this machine has .NET Framework 4: its step would show no status";

    COstrinSetupDlg dlg(false, false);
    ASSERT_TRUE(dlg.Create(nullptr));
    const HWND window = dlg.GetSafeHwnd();
    const HWND finishButton = ::GetDlgItem(window, IDC_CANCEL_FINISH);
    g_statusProc = reinterpret_cast<WNDPROC>(::SetWindowLongPtrA(
        ::GetDlgItem(window, IDC_STATUS), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RecordStatus)));
    g_progressProc = reinterpret_cast<WNDPROC>(::SetWindowLongPtrA(
        ::GetDlgItem(window, IDC_PROGRESS), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RecordProgress)));

    ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_INSTALL, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(window, IDC_INSTALL)));
    // A person waits for "完成" and presses it; that ends the window's loop.
    std::atomic<bool> finished{false};
    std::thread person([&] {
        for (int waited = 0; waited < 240000; waited += 100) {
            if (Text(finishButton) == "完成") {
                finished = true;
                ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_CANCEL_FINISH, BN_CLICKED),
                               reinterpret_cast<LPARAM>(finishButton));
                return;
            }
            ::Sleep(100);
        }
        ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_CANCEL_FINISH, BN_CLICKED),
                       reinterpret_cast<LPARAM>(finishButton));
    });
    dlg.RunModalLoop(0);
    person.join();
    ASSERT_TRUE(finished) << "the installation did not finish";

    EXPECT_EQ(g_events, ExpectedEvents());
}

}  // namespace

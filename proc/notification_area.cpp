#include "proc/notification_area.h"

namespace {

constexpr LONG kLargestToolbarSide = 500;
// How long one point may take: the shell answers at once. A toolbar that
// does not answer in time (hung, or a window of another program that only
// took the shell's class names) ends the sweep, which is only a courtesy.
constexpr UINT kPointTimeoutMs = 1000;

}  // namespace

void RefreshNotificationArea()
{
    // A window that is missing ends its branch; a null parent must never reach
    // FindWindowExA, which would then search the top-level windows.
    HWND taskbar = ::FindWindowA("Shell_TrayWnd", nullptr);
    if (!taskbar)
        return;
    HWND notify = ::FindWindowExA(taskbar, nullptr, "TrayNotifyWnd", nullptr);
    if (!notify)
        return;
    HWND pager = ::FindWindowExA(notify, nullptr, "SysPager", nullptr);
    if (HWND toolbar = ::FindWindowExA(notify, nullptr, "ToolbarWindow32", nullptr))
        SweepToolbar(toolbar);
    if (pager) {
        if (HWND toolbar = ::FindWindowExA(pager, nullptr, "ToolbarWindow32", nullptr))
            SweepToolbar(toolbar);
    }
}

void SweepToolbar(HWND toolbar)
{
    RECT client{};
    if (!toolbar || !::GetClientRect(toolbar, &client))
        return;
    const LONG width = client.right;
    const LONG height = client.bottom;
    if (width > kLargestToolbarSide || height > kLargestToolbarSide)
        return;
    for (LONG x = 1; x < width - 1; ++x) {
        for (LONG y = 1; y < height; ++y) {
            DWORD_PTR result = 0;
            if (!::SendMessageTimeoutA(toolbar, WM_MOUSEMOVE, 0, MAKELPARAM(x, y), SMTO_ABORTIFHUNG, kPointTimeoutMs,
                                       &result))
                return;
        }
    }
}

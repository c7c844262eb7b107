#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "proc/notification_area.h"

namespace {

struct MouseMove {
    HWND window;
    WPARAM keys;
    int x;
    int y;
    bool operator==(const MouseMove& other) const
    {
        return window == other.window && keys == other.keys && x == other.x && y == other.y;
    }
};

std::vector<MouseMove> g_moves;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_MOUSEMOVE)
        g_moves.push_back({window, wParam, static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
    return DefWindowProcA(window, message, wParam, lParam);
}

// The shell's window classes, registered by the test for its own windows.
class ShellWindows : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        for (const char* name : {"Shell_TrayWnd", "TrayNotifyWnd", "SysPager", "ToolbarWindow32"}) {
            WNDCLASSA cls{};
            cls.lpfnWndProc = RecordingProc;
            cls.hInstance = GetModuleHandleA(nullptr);
            cls.lpszClassName = name;
            RegisterClassA(&cls);
        }
    }

    void SetUp() override { g_moves.clear(); }

    void TearDown() override
    {
        for (auto it = windows_.rbegin(); it != windows_.rend(); ++it)
            DestroyWindow(*it);
    }

    HWND Make(const char* cls, HWND parent, int width, int height)
    {
        HWND window = CreateWindowExA(0, cls, "", parent ? WS_CHILD : WS_POPUP, 0, 0, width, height, parent, nullptr,
                                      GetModuleHandleA(nullptr), nullptr);
        EXPECT_NE(window, nullptr) << cls;
        windows_.push_back(window);
        return window;
    }

    // Taskbar, notification window, its toolbar (w1 × h1), its pager and the pager's toolbar (w2 × h2).
    std::pair<HWND, HWND> MakeTray(int w1, int h1, int w2, int h2)
    {
        HWND taskbar = Make("Shell_TrayWnd", nullptr, 800, 40);
        HWND notify = Make("TrayNotifyWnd", taskbar, 600, 40);
        HWND pager = Make("SysPager", notify, 600, 40);
        HWND inPager = Make("ToolbarWindow32", pager, w2, h2);
        HWND direct = Make("ToolbarWindow32", notify, w1, h1);
        return {direct, inPager};
    }

    std::vector<HWND> windows_;
};

std::vector<MouseMove> Sweep(HWND window, int width, int height)
{
    std::vector<MouseMove> moves;
    for (int x = 1; x < width - 1; ++x)
        for (int y = 1; y < height; ++y)
            moves.push_back({window, 0, x, y});
    return moves;
}

bool WaitForWindow(const char* cls)
{
    for (int i = 0; i < 500; ++i) {
        if (FindWindowA(cls, nullptr))
            return true;
        Sleep(10);
    }
    return false;
}

}  // namespace

TEST_F(ShellWindows, SweepsEveryInnerPointColumnByColumn)
{
    HWND toolbar = Make("ToolbarWindow32", nullptr, 10, 3);
    SweepToolbar(toolbar);
    const std::vector<MouseMove> expected = {
        {toolbar, 0, 1, 1}, {toolbar, 0, 1, 2}, {toolbar, 0, 2, 1}, {toolbar, 0, 2, 2},
        {toolbar, 0, 3, 1}, {toolbar, 0, 3, 2}, {toolbar, 0, 4, 1}, {toolbar, 0, 4, 2},
        {toolbar, 0, 5, 1}, {toolbar, 0, 5, 2}, {toolbar, 0, 6, 1}, {toolbar, 0, 6, 2},
        {toolbar, 0, 7, 1}, {toolbar, 0, 7, 2}, {toolbar, 0, 8, 1}, {toolbar, 0, 8, 2},
    };
    EXPECT_EQ(g_moves, expected);
}

TEST_F(ShellWindows, LeavesNarrowFlatAndLargeToolbarsAlone)
{
    const std::pair<int, int> sizes[] = {{2, 40}, {40, 1}, {501, 10}, {10, 501}, {1, 1}};
    for (auto [width, height] : sizes) {
        SweepToolbar(Make("ToolbarWindow32", nullptr, width, height));
        EXPECT_TRUE(g_moves.empty()) << width << " x " << height;
    }
    SweepToolbar(nullptr);
    EXPECT_TRUE(g_moves.empty());

    SweepToolbar(Make("ToolbarWindow32", nullptr, 500, 500));
    EXPECT_EQ(g_moves.size(), 498u * 499u);
}

TEST_F(ShellWindows, SweepsTheDirectToolbarThenThePagersOne)
{
    auto [direct, inPager] = MakeTray(10, 3, 4, 5);
    RefreshNotificationArea();
    std::vector<MouseMove> expected = Sweep(direct, 10, 3);
    for (const MouseMove& move : Sweep(inPager, 4, 5))
        expected.push_back(move);
    EXPECT_EQ(g_moves, expected);
}

TEST_F(ShellWindows, StillSweepsThePagersToolbarWhenTheOtherIsTooLarge)
{
    auto [direct, inPager] = MakeTray(501, 3, 4, 5);
    RefreshNotificationArea();
    EXPECT_EQ(g_moves, Sweep(inPager, 4, 5));
    (void)direct;
}

// A taskbar of a thread that never answers (hung, or hostile): the sweep
// gives up on it and returns.
DWORD WINAPI HungTrayThread(LPVOID parameter)
{
    HANDLE release = static_cast<HANDLE>(parameter);
    HWND taskbar = CreateWindowExA(0, "Shell_TrayWnd", "", WS_POPUP, 0, 0, 800, 40, nullptr, nullptr,
                                   GetModuleHandleA(nullptr), nullptr);
    HWND notify = CreateWindowExA(0, "TrayNotifyWnd", "", WS_CHILD, 0, 0, 600, 40, taskbar, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    CreateWindowExA(0, "ToolbarWindow32", "", WS_CHILD, 0, 0, 400, 40, notify, nullptr, GetModuleHandleA(nullptr),
                    nullptr);
    // Never handles a message until released.
    WaitForSingleObject(release, INFINITE);
    DestroyWindow(taskbar);
    return 0;
}

DWORD WINAPI RefreshOnThread(LPVOID)
{
    RefreshNotificationArea();
    return 0;
}

TEST_F(ShellWindows, AToolbarThatNeverAnswersEndsTheSweep)
{
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE tray = CreateThread(nullptr, 0, &HungTrayThread, release, 0, nullptr);
    ASSERT_TRUE(WaitForWindow("Shell_TrayWnd"));
    HANDLE refresh = CreateThread(nullptr, 0, &RefreshOnThread, nullptr, 0, nullptr);
    const bool returned = WaitForSingleObject(refresh, 10000) == WAIT_OBJECT_0;
    SetEvent(release);
    WaitForSingleObject(tray, 10000);
    EXPECT_TRUE(returned) << "the sweep waits for ever on a toolbar that never answers";
    if (!returned)
        TerminateThread(refresh, 1);
    for (HANDLE handle : {release, tray, refresh})
        CloseHandle(handle);
}

TEST_F(ShellWindows, SendsNothingWithoutATaskbar)
{
    HWND notify = Make("TrayNotifyWnd", nullptr, 600, 40);
    Make("ToolbarWindow32", notify, 10, 3);
    RefreshNotificationArea();
    EXPECT_TRUE(g_moves.empty());
}

// The dialog layer: modal and modeless runs, ending from the dialog's own
// initialisation and from another thread, control binding.
#include "win/dialog.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr UINT kTestTemplate = 200;
constexpr int kListId = 1017;

// Fills its list box and ends itself inside OnInitDialog, as the
// close-programs dialog does.
class EndsAtInit : public CDialogEx {
public:
    EndsAtInit() : CDialogEx(kTestTemplate) {}

    std::vector<std::string> itemsSeen;
    bool everShown = false;
    bool listBound = false;

protected:
    void DoDataExchange() override { DDX_Control(kListId, m_list); }
    BOOL OnInitDialog() override
    {
        CDialogEx::OnInitDialog();
        listBound = m_list.GetSafeHwnd() != nullptr;
        for (const char* item : {"C:\\b\\二.exe", "C:\\a\\one.exe", "C:\\c\\three.exe"})
            m_list.AddString(item);
        for (int i = 0; i < m_list.GetCount(); ++i)
            itemsSeen.push_back(m_list.GetText(i));
        OnOK();
        return TRUE;
    }
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override
    {
        if (message == WM_SHOWWINDOW && wParam)
            everShown = true;
        return CDialogEx::OnMessage(message, wParam, lParam, result);
    }

private:
    CListBox m_list;
};

TEST(Dialog, EndDialogInsideInitEndsDoModalUnseen)
{
    EndsAtInit dialog;
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_TRUE(dialog.listBound);
    EXPECT_FALSE(dialog.everShown);
    EXPECT_EQ(dialog.itemsSeen, (std::vector<std::string>{"C:\\a\\one.exe", "C:\\b\\二.exe", "C:\\c\\three.exe"}));
    EXPECT_EQ(dialog.GetSafeHwnd(), nullptr);
}

TEST(Dialog, MissingTemplateGivesMinusOne)
{
    CDialogEx dialog(4242);
    EXPECT_EQ(dialog.DoModal(), -1);
}

// A modeless dialog whose loop another thread ends, with a result of its choice.
TEST(Dialog, EndDialogFromAnotherThreadEndsTheLoop)
{
    CDialogEx dialog(kTestTemplate);
    ASSERT_TRUE(dialog.Create());
    std::thread worker([&dialog] {
        // The worker reaches the window through sent messages while the loop runs.
        ::SetWindowTextA(dialog.GetSafeHwnd(), "正在安装");
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        dialog.EndDialog(42);
    });
    INT_PTR result = dialog.RunModalLoop();
    worker.join();
    EXPECT_EQ(result, 42);
    EXPECT_EQ(dialog.GetText(), "正在安装");
    dialog.DestroyWindow();
    EXPECT_EQ(dialog.GetSafeHwnd(), nullptr);
}

TEST(Dialog, CancelCommandEndsWithIdCancel)
{
    CDialogEx dialog(kTestTemplate);
    ASSERT_TRUE(dialog.Create());
    ::PostMessageA(dialog.GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_EQ(dialog.RunModalLoop(), IDCANCEL);
}

// A dialog that ignores Esc keeps running until it is ended explicitly.
class IgnoresCancel : public CDialogEx {
public:
    IgnoresCancel() : CDialogEx(kTestTemplate) {}
    int commandsSeen = 0;

protected:
    void OnCancel() override {}
    bool OnCommand(WORD id, WORD code, HWND control) override
    {
        ++commandsSeen;
        if (id == 1001) {
            EndDialog(7);
            return true;
        }
        return CDialogEx::OnCommand(id, code, control);
    }
};

TEST(Dialog, OverriddenCancelKeepsTheLoop)
{
    IgnoresCancel dialog;
    ASSERT_TRUE(dialog.Create());
    ::PostMessageA(dialog.GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ::PostMessageA(dialog.GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(1001, BN_CLICKED), 0);
    EXPECT_EQ(dialog.RunModalLoop(), 7);
    EXPECT_EQ(dialog.commandsSeen, 2);
}

}  // namespace

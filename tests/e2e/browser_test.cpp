// A browser that runs while the installer starts: one hint in an interactive
// run, none in a silent one; the browser is left running either way.
#include "scenario.h"

namespace e2e {
namespace {

using setup::State;

class Browser : public SetupScenario {
protected:
    // Starts a stub under the browser's image name.
    void StartBrowser(const std::wstring& name)
    {
        std::wstring program = setup::TempFolder() + L"browser\\" + name;
        ASSERT_TRUE(CopyTo(StubProgram(), program));
        ASSERT_TRUE(browser.Start(program, L"--stub-stay"));
    }

    ui::Process browser;
};

TEST_F(Browser, InteractiveRunShowsOneHintAndGoesOn)
{
    for (const wchar_t* name : {L"iexplore.exe", L"360se.exe", L"theworld.exe"}) {
        SCOPED_TRACE(ui::Utf8(name));
        StartBrowser(name);
        HWND window = StartWindowed();
        ASSERT_NE(nullptr, window);
        ASSERT_TRUE(ui::ClickButton(window, setup::kInstall));

        ui::MessageBoxInfo box;
        ASSERT_TRUE(setup::WaitForMessageBox(installer, window, kStateTimeout, &box));
        EXPECT_EQ(L"提示", box.caption);
        EXPECT_EQ(L"请关闭所有浏览器，点击“确定”继续安装。", box.text);
        EXPECT_EQ(window, box.owner);
        ASSERT_TRUE(ui::AnswerMessageBox(box, IDOK));

        // The run goes on to its end with no further hint; the browser still runs.
        ASSERT_EQ("", setup::WaitForState(installer, window, State::Finished, kInstallTimeout));
        EXPECT_TRUE(browser.Running());
        ASSERT_TRUE(ui::ClickButton(window, setup::kCancelFinish));
        ExpectEnds();
        browser.Terminate();
    }
}

TEST_F(Browser, SilentRunShowsNoHint)
{
    StartBrowser(L"iexplore.exe");
    ASSERT_TRUE(installer.Start(SetupProgram(), L"-s"));
    setup::RunRecord run = setup::WatchUntilExit(installer, kInstallTimeout, nullptr);
    EXPECT_TRUE(run.exited);
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_TRUE(run.boxes.empty()) << ui::Utf8(run.boxes.empty() ? L"" : run.boxes.front().text);
    EXPECT_TRUE(browser.Running());
}

}  // namespace
}  // namespace e2e

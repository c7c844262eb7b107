// The extraction's window in the installer: the setup window's progress bar,
// its message boxes, and the lock closer.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "extract.h"

class SetupExtractionWindow : public ExtractionWindow {
public:
    using ProgressSetter = std::function<void(int position)>;
    using LockCloser = std::function<bool(const std::string& folder, const ContainerIndex& index)>;

    // owner: the setup window, owner of the message boxes; setProgress: its
    // progress report; closeLockHolders: closes the programs that hold files of
    // a container, true when a failed write should be tried again.
    SetupExtractionWindow(HWND owner, ProgressSetter setProgress, LockCloser closeLockHolders);

    void SetProgress(int position) override;
    bool CloseLockHolders(const std::string& folder, const ContainerIndex& index) override;
    // "无法写入文件，是否忽略？\n" + target, caption "错误", Yes and No.
    bool AskIgnoreUnwritable(const std::string& target) override;
    // "目录访问失败!请使用管理员权限运行本程序", caption "错误", OK; then the
    // process ends with exit code 0.
    [[noreturn]] void FailFolderAccess() override;

private:
    HWND owner_;
    ProgressSetter setProgress_;
    LockCloser closeLockHolders_;
};

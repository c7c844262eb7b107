// The extraction's window in the installer: the setup window's progress bar
// and message boxes, and the closing of lock holders, through the reporter.
#pragma once

#include "payload/extract.h"
#include "install/install_context.h"

class SetupExtractionWindow : public ExtractionWindow {
public:
    explicit SetupExtractionWindow(InstallReporter& reporter) : reporter_(reporter) {}

    void SetProgress(int position) override;
    // Closes the programs holding the container's files and gives them a
    // moment to go; true when the write should be tried again.
    bool CloseLockHolders(const std::string& folder, const ContainerIndex& index) override;
    // "无法写入文件，是否忽略？\n" + target, caption "错误", Yes and No.
    bool AskIgnoreUnwritable(const std::string& target) override;
    // "目录访问失败!请使用管理员权限运行本程序", caption "错误", OK; then the
    // program ends with exit code 0.
    void FailFolderAccess() override;

private:
    InstallReporter& reporter_;
};

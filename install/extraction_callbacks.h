// What the payload code calls back into in the installer: the setup window's
// progress bar and message boxes, and the closing of lock holders, through
// the install reporter.
#pragma once

#include "payload/extract.h"
#include "install/install_context.h"

// A damaged entry is shown in a box ("QVA解压错误!", the entry's name); the
// unpacking diagnostics go to standard output.
class InstallerPayloadReporter : public PayloadReporter {
public:
    void EntryError(const std::string& name) override;
    void Diagnostic(const std::string& line) override;
};

class SetupExtractionCallbacks : public ExtractionCallbacks {
public:
    SetupExtractionCallbacks(InstallReporter& reporter, InstallRunControl& control)
        : reporter_(reporter), control_(control)
    {
    }

    void SetProgress(int position) override;
    // Closes the programs holding the container's files and gives them a
    // moment to go; true when the write should be tried again.
    bool CloseLockHolders(const std::string& folder, const ContainerIndex& index) override;
    // "无法写入文件，是否忽略？\n" + target, caption "错误", Yes and No.
    bool AskIgnoreUnwritable(const std::string& target) override;
    // "目录访问失败!请使用管理员权限运行本程序", caption "错误", OK; then the
    // program ends with exit code 5.
    void FailFolderAccess() override;
    void EntryError(const std::string& name) override { payload_.EntryError(name); }
    void Diagnostic(const std::string& line) override { payload_.Diagnostic(line); }

private:
    InstallReporter& reporter_;
    InstallRunControl& control_;
    InstallerPayloadReporter payload_;
};

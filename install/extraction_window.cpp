#include "install/extraction_window.h"

#include "install/exit_codes.h"

#include "proc/close_lock_holders.h"

void SetupExtractionWindow::SetProgress(int position)
{
    reporter_.SetProgress(position);
}

bool SetupExtractionWindow::CloseLockHolders(const std::string& folder, const ContainerIndex& index)
{
    return CloseLockHoldersForRetry(folder, index);
}

bool SetupExtractionWindow::AskIgnoreUnwritable(const std::string& target)
{
    const std::string text = "无法写入文件，是否忽略？\n" + target;
    return reporter_.ShowMessage(text.c_str(), "错误", MB_YESNO | MB_ICONERROR) == IDYES;
}

void SetupExtractionWindow::FailFolderAccess()
{
    reporter_.ShowMessage("目录访问失败!请使用管理员权限运行本程序", "错误", MB_OK | MB_ICONERROR);
    reporter_.EndProgram(kExitFolderAccessFailed);
}

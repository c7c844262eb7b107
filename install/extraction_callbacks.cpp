#include "install/extraction_callbacks.h"

#include "install/exit_codes.h"

#include "proc/close_lock_holders.h"

#include <cstdio>

void InstallerPayloadReporter::EntryError(const std::string& name)
{
    ::MessageBoxA(nullptr, name.c_str(), "QVA解压错误!", MB_OK | MB_ICONERROR);
}

void InstallerPayloadReporter::Diagnostic(const std::string& line)
{
    std::fputs(line.c_str(), stdout);
    std::fflush(stdout);
}

void SetupExtractionCallbacks::SetProgress(int position)
{
    reporter_.SetProgress(position);
}

bool SetupExtractionCallbacks::CloseLockHolders(const std::string& folder, const ContainerIndex& index)
{
    return CloseLockHoldersForRetry(folder, index);
}

bool SetupExtractionCallbacks::AskIgnoreUnwritable(const std::string& target)
{
    const std::string text = "无法写入文件，是否忽略？\n" + target;
    return reporter_.ShowMessage(text.c_str(), "错误", MB_YESNO | MB_ICONERROR) == IDYES;
}

void SetupExtractionCallbacks::FailFolderAccess()
{
    reporter_.ShowMessage("目录访问失败!请使用管理员权限运行本程序", "错误", MB_OK | MB_ICONERROR);
    control_.EndProgram(kExitFolderAccessFailed);
}

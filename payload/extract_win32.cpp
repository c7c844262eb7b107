#include "extract_window.h"

namespace {

// Made read-only in the system folder on Windows before Vista, in this order.
const char* const kReadOnlyRuntimeFiles[] = {
    "msvcp60.dll",
    "msvcr70.dll",
    "mfc70.dll",
    "Winscard.dll",
};

}  // namespace

void MarkRuntimeFilesReadOnly(const std::string& systemFolder)
{
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof(version);
    if (!::GetVersionExA(&version) || version.dwMajorVersion > 5)
        return;
    ::SetCurrentDirectoryA(systemFolder.c_str());
    for (const char* name : kReadOnlyRuntimeFiles)
        ::SetFileAttributesA(name, FILE_ATTRIBUTE_READONLY);
}

SetupExtractionWindow::SetupExtractionWindow(HWND owner, ProgressSetter setProgress, LockCloser closeLockHolders)
    : owner_(owner), setProgress_(std::move(setProgress)), closeLockHolders_(std::move(closeLockHolders))
{
}

void SetupExtractionWindow::SetProgress(int position)
{
    if (setProgress_)
        setProgress_(position);
}

bool SetupExtractionWindow::CloseLockHolders(const std::string& folder, const ContainerIndex& index)
{
    // Without a closer nothing can be closed: ask the user at once.
    return closeLockHolders_ && closeLockHolders_(folder, index);
}

bool SetupExtractionWindow::AskIgnoreUnwritable(const std::string& target)
{
    const std::string text = "无法写入文件，是否忽略？\n" + target;
    return ::MessageBoxA(owner_, text.c_str(), "错误", MB_YESNO | MB_ICONERROR) == IDYES;
}

void SetupExtractionWindow::FailFolderAccess()
{
    ::MessageBoxA(owner_, "目录访问失败!请使用管理员权限运行本程序", "错误", MB_OK | MB_ICONERROR);
    ::ExitProcess(0);
}

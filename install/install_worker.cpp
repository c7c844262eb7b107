// The installation, in its fixed order. Every step is attempted; a failed
// step never stops the sequence. Steps report through the window's status
// line and progress bar; message boxes are owned by the window.
#include "install_worker.h"

#include "app/setup_dlg.h"
#include "install_folder.h"
#include "install_stop_list.h"
#include "payload_resources.h"
#include "proc/close_lock_holders.h"
#include "proc/notification_area.h"
#include "proc/processes.h"
#include "reader_profile.h"

#include "container.h"
#include "extract_window.h"
#include "tree.h"

#include <string>
#include <vector>

namespace {

// The browsers that should be closed before installing, asked in this order.
constexpr const char* BrowserImageNames[] = {"iexplore.exe", "360se.exe", "theworld.exe"};

// The payload resources: the code shown when one is damaged, its id, and the
// temporary file it is unpacked into.
struct PayloadResource {
    int code;
    int resourceId;
    std::string COstrinSetupDlg::*targetPath;
};

constexpr PayloadResource PayloadResources[] = {
    {0, 129, &COstrinSetupDlg::m_strSetupIndexPath},
    {1, 130, &COstrinSetupDlg::m_strSetupDataPath},
    {2, 131, &COstrinSetupDlg::m_strSystemIndexPath},
    {3, 132, &COstrinSetupDlg::m_strSystemDataPath},
};

constexpr int kSetupIndexDamaged = 4;
constexpr int kSystemIndexDamaged = 5;

bool AnyBrowserRunning()
{
    for (const char* name : BrowserImageNames) {
        if (IsProcessRunning(name))
            return true;
    }
    return false;
}

void ShowCorruption(COstrinSetupDlg& window, int code)
{
    ::MessageBoxA(window.GetSafeHwnd(), CorruptionMessage(code).c_str(), ApplicationName().c_str(),
                  MB_OK | MB_ICONERROR);
}

bool NetFramework4Present()
{
    HKEY key = nullptr;
    LONG opened = ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\.NETFramework\\v4.0.30319", 0,
                                  KEY_READ, &key);
    if (opened != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(key);
    return true;
}

}  // namespace

DWORD WINAPI InstallWorker(LPVOID parameter)
{
    COstrinSetupDlg& window = *static_cast<COstrinSetupDlg*>(parameter);

    // 1. Browsers: a hint only, and not in silent mode.
    if (AnyBrowserRunning() && !window.m_bSilent)
        ::MessageBoxA(window.GetSafeHwnd(), "请关闭所有浏览器，点击“确定”继续安装。", "提示",
                      MB_OK | MB_ICONINFORMATION);

    // 2. The two container indexes, for the whole run.
    ContainerIndex setupIndex;
    ContainerIndex systemIndex;

    // 3. The payload resources into the temporary folder.
    for (const PayloadResource& row : PayloadResources) {
        if (!UnpackPayloadResource(row.resourceId, window.*row.targetPath))
            ShowCorruption(window, row.code);
    }

    // 4. The indexes.
    if (!LoadContainerIndex(window.m_strSetupIndexPath, setupIndex))
        ShowCorruption(window, kSetupIndexDamaged);
    if (!LoadContainerIndex(window.m_strSystemIndexPath, systemIndex))
        ShowCorruption(window, kSystemIndexDamaged);

    // 5.
    window.SetStatus("自动关闭进程");

    // 6.
    std::string installFolder = PrepareInstallFolder();
    std::string systemFolder = SystemFolder();

    // 7.
    for (size_t i = 0; i < InstallStopListSize; ++i)
        KillProcessByName(InstallStopList[i].imageName);

    // 8. Removing the news and notice history goes here, before the sweep.
    RefreshNotificationArea();

    // 9.
    window.SetStatus("检查安装环境");

    // 10. Each call gets its own copy of the index; the result is not used.
    std::vector<std::string> closedPrograms;
    {
        LockHolderList installHolders;
        LockHolderList systemHolders;
        CloseLockHolders(installFolder, setupIndex, installHolders);
        CloseLockHolders(systemFolder, systemIndex, systemHolders);
        for (const LockHolder& holder : installHolders)
            closedPrograms.push_back(holder.path);
        for (const LockHolder& holder : systemHolders)
            closedPrograms.push_back(holder.path);
    }

    // 11. The cleanup of earlier installations goes here.
    // 12.
    RefreshNotificationArea();
    // 13. Pruning the log folder goes here.

    // 14.
    window.ShowWindow(window.m_bSilent ? SW_HIDE : SW_SHOW);

    // 15. Again: the cleanup may have removed the folder.
    installFolder = PrepareInstallFolder();

    // 16.
    window.SetStatus("正在解压文件");
    {
        SetupExtractionWindow extraction(
            window.GetSafeHwnd(), [&window](int position) { window.SetProgress(position); },
            [](const std::string& folder, const ContainerIndex& index) {
                return CloseLockHoldersForRetry(folder, index);
            });
        ExtractContainers(installFolder, systemFolder, extraction, setupIndex, systemIndex);
    }

    // 17. Copying the configuration files goes here.

    // 18.
    window.SetStatus("设置环境变量");
    // Adding the installation folder to the search path goes here.

    // 19.
    window.SetProgress(20);

    // 20. The runtime libraries prerequisite (VcRuntime) goes here.

    // 21.
    window.SetProgress(25);

    // 22. .NET Framework 4, when its key is missing.
    if (!NetFramework4Present()) {
        // The DotNet4 prerequisite goes here.
    }

    // 23.
    window.SetProgress(30);

    // 24.
    ResetReaderProfile(installFolder);

    // 25. The root certificate prerequisites (RootCert, RootCert1) go here.

    // 26.
    window.SetProgress(40);

    // 27.
    window.SetStatus("写入注册表");
    // The registry imports go here.

    // 28.
    window.SetStatus("注册控件");
    window.SetProgress(50);
    // The control registrations and the driver setup go here.

    // 29. The file associations and the PDF client shortcut go here.

    // 30. Virtual printer, when its setup is in the payload.
    if (FileExists(installFolder + "DoroSetup.exe")) {
        window.SetStatus("安装虚拟打印");
        // RunAndWait("DoroSetup.exe", "/sp- /verysilent /norestart", installFolder) goes here.
    }

    // 31.
    window.SetProgress(60);

    // 32. The uninstall entry goes here.
    // 33. The start-up entries go here.

    // 34.
    window.SetProgress(70);
    window.SetProgress(80);

    // 35. Copying the installer into the installation folder goes here.

    // 36.
    window.SetProgress(100);

    // 37.
    ::Sleep(500);

    // 38.
    window.m_strInstallFolder = installFolder;

    // 39. Restarting the token service from closedPrograms goes here.

    // 40. In the unattended modes this also runs the finish actions and ends the program.
    window.SetWindowState(COstrinSetupDlg::Finished);

    // 41. The indexes go with this frame.
    return 0;
}

// The installation, in its fixed order. Steps report through the window's
// status line and progress bar; message boxes are owned by the window.
#include "install_worker.h"

#include "cleanup/cleanup_earlier_installation.h"
#include "cleanup/removal.h"
#include "close_programs.h"
#include "dotnet_prerequisite.h"
#include "extraction_window.h"
#include "install_folder.h"
#include "install_stop_list.h"
#include "payload_resources.h"
#include "proc/notification_area.h"
#include "proc/processes.h"
#include "reader_profile.h"
#include "registration.h"
#include "res/resource.h"
#include "sysint/prerequisite.h"
#include "sysint/run_and_wait.h"

#include "container.h"
#include "fileio.h"
#include "tree.h"

#include <string>

namespace {

// The browsers that should be closed before installing, asked in this order.
constexpr const char* BrowserImageNames[] = {"iexplore.exe", "360se.exe", "theworld.exe"};

// The four temporary payload files as the installer made them: each created
// anew and held open from its unpacking to the end of the extraction, so
// that no other program can change, replace or delete it meanwhile. Closing
// one removes it (so does the end of the program).
struct HeldPayloadFiles {
    File setupIndex;
    File setupData;
    File systemIndex;
    File systemData;

    void Close()
    {
        setupIndex.Close();
        setupData.Close();
        systemIndex.Close();
        systemData.Close();
    }
};

// The payload resources: the code shown when one is damaged, its id, the
// temporary file it is unpacked into, and the handle that holds that file.
struct PayloadResource {
    int code;
    int resourceId;
    std::string PayloadPaths::*targetPath;
    File HeldPayloadFiles::*held;
};

constexpr PayloadResource PayloadResources[] = {
    {0, IDR_QVA_SETUP_INDEX, &PayloadPaths::setupIndex, &HeldPayloadFiles::setupIndex},
    {1, IDR_QVA_SETUP_DATA, &PayloadPaths::setupData, &HeldPayloadFiles::setupData},
    {2, IDR_QVA_SYSTEM_INDEX, &PayloadPaths::systemIndex, &HeldPayloadFiles::systemIndex},
    {3, IDR_QVA_SYSTEM_DATA, &PayloadPaths::systemData, &HeldPayloadFiles::systemData},
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

// No caption of its own: the box shows the program's name.
void ShowCorruption(InstallReporter& reporter, int code)
{
    reporter.ShowMessage(CorruptionMessage(code).c_str(), nullptr, MB_OK | MB_ICONERROR);
}

}  // namespace

void RunInstallation(InstallContext& context)
{
    InstallReporter& reporter = context.reporter;

    // 1. Browsers: a hint only, and not in silent mode.
    if (AnyBrowserRunning() && !context.silent)
        reporter.ShowMessage("请关闭所有浏览器，点击“确定”继续安装。", "提示", MB_OK | MB_ICONINFORMATION);

    // 2. The two container indexes are the context's, empty until loaded.

    // 3. The payload resources into the temporary folder, each into a file
    // made anew and held until the extraction is done.
    HeldPayloadFiles held;
    for (const PayloadResource& row : PayloadResources) {
        if (!UnpackPayloadResource(row.resourceId, context.payload.*row.targetPath, held.*row.held))
            ShowCorruption(reporter, row.code);
    }

    // 4. The indexes, only from files the installer made and holds: what
    // else may be found under those names is nobody's payload.
    if (!held.setupIndex.IsOpen() || !LoadContainerIndex(context.payload.setupIndex, context.setupIndex))
        ShowCorruption(reporter, kSetupIndexDamaged);
    if (!held.systemIndex.IsOpen() || !LoadContainerIndex(context.payload.systemIndex, context.systemIndex))
        ShowCorruption(reporter, kSystemIndexDamaged);

    // 5.
    reporter.SetStatus("自动关闭进程");

    // 6.
    context.installFolder = PrepareInstallFolder();
    context.systemFolder = SystemFolder();

    // 7. One pass over the list: each program's path is read once.
    {
        std::vector<std::string> stopList;
        for (size_t i = 0; i < InstallStopListSize; ++i)
            stopList.push_back(InstallStopList[i].imageName);
        KillProcessesByName(stopList);
    }

    // 8.
    DeleteNewsHistory();
    RefreshNotificationArea();

    // 9.
    reporter.SetStatus("检查安装环境");

    // 10.
    CloseProgramsHoldingFiles(context);

    // 11. It may remove the installation folder; step 15 makes it again.
    CleanupEarlierInstallation();

    // 12.
    RefreshNotificationArea();

    // 13.
    PruneLogFolder();

    // 14.
    reporter.ShowSetupWindow(!context.silent);

    // 15. Again: the cleanup may have removed the folder.
    context.installFolder = PrepareInstallFolder();

    // 16.
    reporter.SetStatus("正在解压文件");
    {
        SetupExtractionWindow extraction(reporter);
        ExtractContainers(context.installFolder, context.systemFolder, extraction, context.setupIndex,
                          context.systemIndex);
    }
    // The temporary payload files are not needed any more: closing removes them.
    held.Close();

    // 17. Copying the configuration files goes here.

    // 18.
    reporter.SetStatus("设置环境变量");
    // Adding the installation folder to the search path goes here.

    // 19. The bar steps back from 50.
    reporter.SetProgress(20);

    // 20.
    InstallPrerequisite(VcRuntime, &reporter, context.installFolder);

    // 21.
    reporter.SetProgress(25);

    // 22. .NET Framework 4, when its key is missing.
    InstallNetFramework4WhenMissing(reporter, context.installFolder);

    // 23.
    reporter.SetProgress(30);

    // 24.
    ResetReaderProfile(context.installFolder);

    // 25.
    InstallPrerequisite(RootCert, nullptr, context.installFolder);
    InstallPrerequisite(RootCert1, nullptr, context.installFolder);

    // 26.
    reporter.SetProgress(40);

    // 27.
    reporter.SetStatus("写入注册表");
    ImportRegistryFiles(context.installFolder);

    // 28.
    reporter.SetStatus("注册控件");
    reporter.SetProgress(50);
    RegisterControls(context.installFolder, context.systemFolder);

    // 29. The file associations and the PDF client shortcut go here.

    // 30. Virtual printer, when its setup is in the payload.
    if (FileExists(context.installFolder + "DoroSetup.exe")) {
        reporter.SetStatus("安装虚拟打印");
        RunAndWait("DoroSetup.exe", "/sp- /verysilent /norestart", context.installFolder);
    }

    // 31.
    reporter.SetProgress(60);

    // 32. The uninstall entry goes here.
    // 33. The start-up entries go here.

    // 34.
    reporter.SetProgress(70);
    reporter.SetProgress(80);

    // 35. Copying the installer into the installation folder goes here.

    // 36.
    reporter.SetProgress(100);

    // 37.
    ::Sleep(500);

    // 38. The installation folder is the context's; the window gets it with step 40.

    // 39. Restarting the token service from closedPrograms goes here.

    // 40. In the unattended modes this also runs the finish actions and ends the program.
    reporter.Finish(context.installFolder);
}

DWORD WINAPI InstallWorker(LPVOID parameter)
{
    const InstallRequest& request = *static_cast<const InstallRequest*>(parameter);
    InstallContext context(*request.reporter, request.silent, request.payload);
    RunInstallation(context);
    // 41. The indexes go with the context.
    return 0;
}

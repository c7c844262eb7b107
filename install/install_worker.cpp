// The installation, in its fixed order. Steps report through the window's
// status line and progress bar; message boxes are owned by the window.
#include "install/install_worker.h"

#include "cleanup/cleanup_earlier_installation.h"
#include "cleanup/removal.h"
#include "install/close_programs.h"
#include "install/dotnet_prerequisite.h"
#include "install/exit_codes.h"
#include "install/extraction_callbacks.h"
#include "install/file_associations.h"
#include "install/install_folder.h"
#include "install/install_stop_list.h"
#include "install/payload_resources.h"
#include "install/pdf_client_shortcut.h"
#include "proc/notification_area.h"
#include "proc/processes.h"
#include "install/product_entries.h"
#include "install/reader_profile.h"
#include "install/registration.h"
#include "sysint/backup_installer.h"
#include "sysint/config_files.h"
#include "sysint/prerequisite.h"
#include "sysint/run_and_wait.h"
#include "sysint/system_path.h"
#include "install/token_service.h"
#include "win/install_log.h"

#include "payload/container.h"
#include "payload/entry_verifier.h"
#include "payload/fileio.h"
#include "payload/tree.h"

#include <string>
#include <vector>

namespace {

// The browsers that should be closed before installing, asked in this order.
constexpr const char* BrowserImageNames[] = {"iexplore.exe", "360se.exe", "theworld.exe"};

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
void ShowCorruption(InstallContext& context, int code)
{
    context.payloadDamaged = true;
    context.reporter.ShowMessage(CorruptionMessage(code).c_str(), nullptr, MB_OK | MB_ICONERROR);
}

SetupExitCode ExitCodeOf(const InstallContext& context)
{
    if (context.payloadDamaged)
        return kExitPayloadDamaged;
    if (context.failedEntries > 0)
        return kExitEntriesNotWritten;
    return kExitCompleted;
}

// The extraction, while the data files are still being unpacked: each
// entry waits for its stored bytes, and a data file that failed to unpack
// is reported with its code the first time an entry needs it.
class ExtractionBesideUnpacking : public SetupExtractionCallbacks {
public:
    ExtractionBesideUnpacking(InstallContext& context, const BackgroundUnpacking& unpacking,
                              const std::vector<const PayloadResource*>& resources)
        : SetupExtractionCallbacks(context.reporter, context.control),
          context_(context),
          unpacking_(unpacking),
          resources_(resources),
          reported_(resources.size(), false)
    {
    }

    void WaitForEntryBytes(const ContainerEntry& entry) override
    {
        if (unpacking_.WaitForData(entry.dataFile, static_cast<int64_t>(entry.offset) + entry.size))
            return;
        for (size_t i = 0; i < resources_.size(); ++i) {
            if (context_.payload.*resources_[i]->targetPath == entry.dataFile)
                Report(i);
        }
    }

    // Once the unpacking has ended: the data files that failed although no
    // entry needed what was missing.
    void ReportDamagedDataFiles()
    {
        for (size_t i = 0; i < resources_.size(); ++i) {
            if (!unpacking_.Unpacked(i))
                Report(i);
        }
    }

private:
    void Report(size_t i)
    {
        if (reported_[i])
            return;
        reported_[i] = true;
        ShowCorruption(context_, resources_[i]->code);
    }

    InstallContext& context_;
    const BackgroundUnpacking& unpacking_;
    const std::vector<const PayloadResource*>& resources_;
    std::vector<bool> reported_;
};

void LogStep(int number, const char* what)
{
    LogLine("step %d: %s", number, what);
}

// Logs how long a scan or sweep took, when it goes out of scope.
class ScanTime {
public:
    explicit ScanTime(const char* what) : what_(what) { ::QueryPerformanceCounter(&start_); }
    ~ScanTime()
    {
        LARGE_INTEGER now, frequency;
        ::QueryPerformanceCounter(&now);
        ::QueryPerformanceFrequency(&frequency);
        LogLine("%s took %.3f s", what_, static_cast<double>(now.QuadPart - start_.QuadPart) / frequency.QuadPart);
    }
    ScanTime(const ScanTime&) = delete;
    ScanTime& operator=(const ScanTime&) = delete;

private:
    const char* what_;
    LARGE_INTEGER start_;
};

}  // namespace

void RunInstallation(InstallContext& context)
{
    InstallReporter& reporter = context.reporter;

    // Browsers: a hint only, and not in silent mode.
    LogStep(1, "browser check");
    bool browserRunning;
    {
        ScanTime time("browser check");
        browserRunning = AnyBrowserRunning();
    }
    if (browserRunning && !context.silent)
        reporter.ShowMessage("请关闭所有浏览器，点击“确定”继续安装。", "提示", MB_OK | MB_ICONINFORMATION);

    // The two container indexes are the context's, empty until loaded.
    LogStep(2, "container indexes");

    // The payload resources into the temporary folder, each into a file
    // made anew and held until the extraction is done. The data files are
    // unpacked on a thread of their own (started here, or at start-up when
    // the run is unattended) while the steps up to the extraction mostly
    // wait for other programs; a damaged one is reported when the
    // extraction needs it.
    LogStep(3, "payload resources");
    PayloadUnpacking ownUnpacking;
    PayloadUnpacking& payload = context.unpacking ? *context.unpacking : ownUnpacking;
    payload.StartDataFiles(context.payload);
    std::vector<const PayloadResource*> inBackground;
    for (const PayloadResource& row : PayloadResources) {
        if (row.inBackground)
            inBackground.push_back(&row);
        else if (!UnpackPayloadResource(row.resourceId, context.payload.*row.targetPath, payload.held.*row.held,
                                        payload.reporter))
            ShowCorruption(context, row.code);
    }

    // The indexes, only from files the installer made and holds: what
    // else may be found under those names is nobody's payload.
    LogStep(4, "index loading");
    // Read through the handles made at unpacking, never by name again: a
    // link at the temporary folder, or another TEMP, cannot put other bytes
    // under those names.
    if (!payload.held.setupIndex.IsOpen() ||
        !LoadContainerIndex(context.payload.setupIndex, context.setupIndex, &payload.held.setupIndex))
        ShowCorruption(context, kSetupIndexDamaged);
    if (!payload.held.systemIndex.IsOpen() ||
        !LoadContainerIndex(context.payload.systemIndex, context.systemIndex, &payload.held.systemIndex))
        ShowCorruption(context, kSystemIndexDamaged);
    const PinnedFiles heldData = {{context.payload.setupData, &payload.held.setupData},
                                  {context.payload.systemData, &payload.held.systemData}};

    LogStep(5, "status: closing programs");
    reporter.SetStatus("自动关闭进程");

    LogStep(6, "installation and system folders");
    context.installFolder = PrepareInstallFolder();
    context.systemFolder = SystemFolder();

    // Each program's path is read once in the run.
    LogStep(7, "stop list");
    {
        ScanTime time("stop list");
        std::vector<std::string> stopList;
        for (size_t i = 0; i < InstallStopListSize; ++i)
            stopList.push_back(InstallStopList[i].imageName);
        KillProcessesByName(stopList);
    }

    LogStep(8, "news and notice history, notification area");
    DeleteNewsHistory();
    {
        ScanTime time("notification area sweep");
        RefreshNotificationArea();
    }

    LogStep(9, "status: checking");
    reporter.SetStatus("检查安装环境");

    LogStep(10, "programs holding installation files");
    {
        ScanTime time("search for programs holding installation files");
        CloseProgramsHoldingFiles(context);
    }

    // It may remove the installation folder; step 15 makes it again.
    LogStep(11, "cleanup of earlier installations");
    CleanupEarlierInstallation();

    LogStep(12, "notification area");
    {
        ScanTime time("notification area sweep");
        RefreshNotificationArea();
    }

    LogStep(13, "log folder");
    PruneLogFolder();

    LogStep(14, "setup window");
    reporter.ShowSetupWindow(!context.silent);

    // Again: the cleanup may have removed the folder.
    LogStep(15, "installation folder again");
    context.installFolder = PrepareInstallFolder();

    LogStep(16, "extraction");
    reporter.SetStatus("正在解压文件");
    // The extraction follows the unpacking entry by entry, and the checking
    // of the entries against their digests goes a little ahead of it on a
    // thread of its own, each entry as soon as its bytes are unpacked. (Not
    // earlier: beside the programs of the steps before, it would only slow
    // the unpacking down.) Only the data files made and held here are read
    // ahead: nobody else can change them before the extraction.
    EntryVerifier verifier;
    verifier.Start(context.setupIndex, context.systemIndex, &heldData, &payload.data);
    {
        ExtractionBesideUnpacking extraction(context, payload.data, inBackground);
        context.failedEntries = ExtractContainers(context.installFolder, context.systemFolder, extraction,
                                                  context.setupIndex, context.systemIndex, &verifier, &heldData);
        {
            ScanTime time("wait for the rest of the payload data files");
            payload.data.Finish();
        }
        extraction.ReportDamagedDataFiles();
    }
    // The temporary payload files are not needed any more: closing removes them.
    verifier.Stop();
    payload.held.Close();

    LogStep(17, "configuration files");
    CopyConfigFiles(context.installFolder);

    LogStep(18, "search path");
    reporter.SetStatus("设置环境变量");
    AddToSystemPath(context.installFolder);

    // The bar steps back from 50.
    LogStep(19, "progress 20");
    reporter.SetProgress(20);

    LogStep(20, "runtime libraries");
    InstallPrerequisite(VcRuntime, &reporter, context.installFolder);

    LogStep(21, "progress 25");
    reporter.SetProgress(25);

    // .NET Framework 4, when its key is missing.
    LogStep(22, ".NET Framework 4");
    InstallNetFramework4WhenMissing(reporter, context.installFolder);

    LogStep(23, "progress 30");
    reporter.SetProgress(30);

    LogStep(24, "reader profile");
    ResetReaderProfile(context.installFolder);

    LogStep(25, "root certificates");
    InstallPrerequisite(RootCert, nullptr, context.installFolder);
    InstallPrerequisite(RootCert1, nullptr, context.installFolder);

    LogStep(26, "progress 40");
    reporter.SetProgress(40);

    LogStep(27, "registry imports");
    reporter.SetStatus("写入注册表");
    ImportRegistryFiles(context.installFolder);

    LogStep(28, "control registrations");
    reporter.SetStatus("注册控件");
    reporter.SetProgress(50);
    RegisterControls(context.installFolder, context.systemFolder);

    LogStep(29, "file associations, PDF client shortcut");
    WriteFileAssociations(context.installFolder);
    CreatePdfClientShortcut(context.installFolder);

    // Virtual printer, when its setup is in the payload.
    LogStep(30, "virtual printer");
    if (FileExists(context.installFolder + "DoroSetup.exe")) {
        reporter.SetStatus("安装虚拟打印");
        RunAndWait("DoroSetup.exe", "/sp- /verysilent /norestart", context.installFolder);
    }

    LogStep(31, "progress 60");
    reporter.SetProgress(60);

    LogStep(32, "uninstall entry");
    WriteUninstallEntry(context.installFolder);
    LogStep(33, "start-up entries");
    WriteStartupEntries(context.installFolder);

    LogStep(34, "progress 70, 80");
    reporter.SetProgress(70);
    reporter.SetProgress(80);

    LogStep(35, "installer copy");
    BackupInstaller(context.installFolder);

    LogStep(36, "progress 100");
    reporter.SetProgress(100);

    LogStep(37, "pause");
    ::Sleep(500);

    // The installation folder is the context's; the window gets it with step 40.
    LogStep(38, "installation folder to the window");

    LogStep(39, "token service restart");
    RestartTokenService(context.closedPrograms, context.installFolder);

    // In the unattended modes this also runs the finish actions and ends the program.
    LogStep(40, "finished");
    context.control.Finish(context.installFolder, ExitCodeOf(context));
}

DWORD WINAPI InstallWorker(LPVOID parameter)
{
    const InstallRequest& request = *static_cast<const InstallRequest*>(parameter);
    InstallContext context(*request.reporter, *request.control, request.silent, request.payload);
    context.unpacking = request.unpacking;
    RunInstallation(context);
    // The indexes go with the context.
    return 0;
}

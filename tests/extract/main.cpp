// The extraction tests, and the child modes the tests start this program in:
//   --fatal-child SYSTEMFOLDER   extract into a folder that cannot be entered, through the installer's window
//   --readonly-child FOLDER      mark the runtime libraries in FOLDER read-only; exit code: the major version
//   --killed-writer TARGET       start replacing TARGET, write part of the new bytes, and be killed
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "payload/entry_verifier.h"
#include "payload/extract.h"
#include "install/extraction_callbacks.h"
#include "payload/fileio.h"
#include "payload/shared_runtime_files.h"
#include "owner_reporter.h"
#include "support.h"

namespace {

int RunFatalChild(const std::string& systemFolder)
{
    TempFolder temp;
    BuildContainer(temp / "setupdir.qvai", {{"#a.txt", "a"}});
    BuildContainer(temp / "windir.qvai", {{"#w.txt", "w"}});
    ContainerIndex setup, system;
    LoadContainerIndex(temp / "setupdir.qvai", setup);
    LoadContainerIndex(temp / "windir.qvai", system);
    OwnerReporter reporter(nullptr);
    SetupExtractionCallbacks window(reporter, reporter);
    EntryVerifier verifier;
    verifier.Start(setup, system);
    ExtractContainers(temp / "missing\\", systemFolder, window, setup, system, &verifier);
    return 7;  // never reached: the process ends with the message
}

int RunKilledWriter(const std::string& target)
{
    File replacement;
    if (!replacement.CreateReplacement(target) || !replacement.Write("the first part of the new by", 28))
        return 2;
    ::TerminateProcess(::GetCurrentProcess(), 9);
    return 3;
}

int RunReadOnlyChild(const std::string& folder)
{
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof(version);
    GetVersionExA(&version);
    MarkRuntimeFilesReadOnly(folder);
    return static_cast<int>(version.dwMajorVersion);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && !std::strcmp(argv[1], "--fatal-child"))
        return RunFatalChild(argv[2]);
    if (argc == 3 && !std::strcmp(argv[1], "--killed-writer"))
        return RunKilledWriter(argv[2]);
    if (argc == 3 && !std::strcmp(argv[1], "--readonly-child"))
        return RunReadOnlyChild(argv[2]);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

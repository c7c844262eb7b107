#include "cleanup/cleanup_earlier_installation.h"

#include "cleanup/cleanup_tables.h"
#include "cleanup/removal.h"
#include "cleanup/system_file_list.h"

#include "proc/processes.h"
#include "sysint/product.h"
#include "sysint/run_and_wait.h"
#include "win/install_log.h"
#include "win/path.h"
#include "win/reg_key.h"
#include "win/shell_folder.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> ImageNames(const ImageNameRow* rows, size_t count)
{
    std::vector<std::string> names;
    for (size_t i = 0; i < count; ++i)
        names.push_back(rows[i].imageName);
    return names;
}

void RemoveProgramGroup()
{
    const std::string programs = GetSpecialFolderPath(CSIDL_COMMON_PROGRAMS);
    // Without the menu's path the group's name would be taken as a relative folder.
    if (programs.empty())
        return;
    DeleteFolderTree(JoinPath(programs, kProgramGroupName));
}

void DeleteStartupValues()
{
    RegKey run;
    if (run.Open(HKEY_LOCAL_MACHINE, kRunKey, KEY_ALL_ACCESS) !=
        ERROR_SUCCESS)
        return;
    for (size_t i = 0; i < EarlierStartupValuesSize; ++i)
        LogRemoval("Run value", EarlierStartupValues[i], run.DeleteValue(EarlierStartupValues[i]));
}

void UnregisterControls(const std::string& installFolder, const std::string& systemFolder)
{
    for (size_t i = 0; i < ControlUnregistrationTableSize; ++i) {
        const ControlUnregistrationRow& row = ControlUnregistrationTable[i];
        const std::string parameters = std::string("/s /u \"%s\\") + row.fileName + "\"";
        RunAndWait("regsvr32.exe", parameters.c_str(),
                   row.folder == ControlFolder::System ? systemFolder : installFolder);
    }
}

}  // namespace

void CleanupEarlierInstallation()
{
    // Names in both lists are stopped twice.
    KillProcessesByName(ImageNames(FirstTerminationList, FirstTerminationListSize));
    KillProcessesByName(ImageNames(SecondTerminationList, SecondTerminationListSize));

    DeleteNewsHistory();

    for (size_t i = 0; i < EarlierDesktopShortcutsSize; ++i)
        DeleteCommonDesktopFile(EarlierDesktopShortcuts[i]);

    RemoveProgramGroup();

    DeleteStartupValues();

    const std::string programFiles = GetFolderPath(CSIDL_PROGRAM_FILES);
    const std::string installFolder = programFiles + "\\" + kInstallFolderName + "\\";
    const std::string systemFolder = GetFolderPath(CSIDL_SYSTEM) + "\\";

    // Each waits at most the launcher's bound.
    UnregisterControls(installFolder, systemFolder);

    // Only where an earlier installation folder can be entered.
    if (programFiles.empty() || !::SetCurrentDirectoryA(installFolder.c_str())) {
        LogLine("cleanup: no earlier installation folder %s", installFolder.c_str());
    } else {
        DeleteListedSystemFiles(systemFolder);
        if (::SetCurrentDirectoryA(installFolder.c_str())) {
            // The folder to be removed must not be the current one.
            ::SetCurrentDirectoryA("..");
            DeleteFolderTree(installFolder);
        }
    }

    for (size_t i = 0; i < EarlierKeyTableSize; ++i) {
        const char* subKey = EarlierKeyTable[i].subKey;
        LogRemoval("key", std::string("HKLM\\") + subKey, ::SHDeleteKeyA(HKEY_LOCAL_MACHINE, subKey));
    }
}

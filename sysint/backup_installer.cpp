#include "sysint/backup_installer.h"

#include "payload/tree.h"
#include "win/install_log.h"

#include <windows.h>

const char kInstallerBackupName[] = "sbak.exe";

void BackupInstaller(const std::string& installFolder)
{
    char self[1024] = {};
    DWORD length = ::GetModuleFileNameA(nullptr, self, sizeof self);
    if (length == 0 || length >= sizeof self)
        return;
    // The folder ends with "\": no separator is added.
    const std::string target = installFolder + kInstallerBackupName;
    if (CopyFileReplacing(self, target)) {
        LogLine("file written: %s, a copy of %s", target.c_str(), self);
        return;
    }
    LogLine("file failed: %s, the copy of %s was not made", target.c_str(), self);
}

#include "sysint/prerequisite.h"

#include "sysint/run_and_wait.h"
#include "win/path.h"

#include <windows.h>
#include <shlwapi.h>

const PrerequisiteRow PrerequisiteTable[] = {
    {"vcredist_x86.exe", "/q /norestart", "安装运行库"},
    {"dotNetFx40_Full_x86_x64.exe", "/passive /promptrestart /log %temp%dotNetFx40_Tolvane.htm", "安装.NET环境"},
    {"ImportRootCert.exe", "", nullptr},
    {"ImportRootCert1.exe", "", nullptr},
};

const size_t PrerequisiteTableSize = sizeof(PrerequisiteTable) / sizeof(PrerequisiteTable[0]);

void InstallPrerequisite(Prerequisite step, StatusLine* window, const std::string& installFolder)
{
    const PrerequisiteRow& row = PrerequisiteTable[step];
    if (!::PathFileExistsA(JoinPath(installFolder, row.programFile).c_str()))
        return;
    if (row.statusText && window)
        window->SetStatus(row.statusText);
    RunAndWait(row.programFile, row.parameters, installFolder);
}

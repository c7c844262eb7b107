#include "sysint/prerequisite.h"

#include "sysint/run_and_wait.h"
#include "win/path.h"

#include <windows.h>
#include <shlwapi.h>

void InstallPrerequisite(Prerequisite step, StatusLine* window, const std::string& installFolder)
{
    const PrerequisiteRow& row = PrerequisiteTable[step];
    if (!::PathFileExistsA(JoinPath(installFolder, row.programFile).c_str()))
        return;
    if (row.statusText && window)
        window->SetStatus(row.statusText);
    RunAndWait(row.programFile, row.parameters, installFolder);
}

#include "sysint/prerequisite.h"

const PrerequisiteRow PrerequisiteTable[] = {
    {"vcredist_x86.exe", "/q /norestart", "安装运行库"},
    {"dotNetFx40_Full_x86_x64.exe", "/passive /promptrestart /log %temp%dotNetFx40_Tolvane.htm", "安装.NET环境"},
    {"ImportRootCert.exe", "", nullptr},
    {"ImportRootCert1.exe", "", nullptr},
};

const size_t PrerequisiteTableSize = sizeof(PrerequisiteTable) / sizeof(PrerequisiteTable[0]);

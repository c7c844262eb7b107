#include "install/dotnet_prerequisite.h"

#include "sysint/prerequisite.h"
#include "win/reg_key.h"

bool NetFramework4Present()
{
    RegKey key;
    return key.Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\.NETFramework\\v4.0.30319", KEY_READ) ==
           ERROR_SUCCESS;
}

void InstallNetFramework4WhenMissing(StatusLine& window, const std::string& installFolder)
{
    if (!NetFramework4Present())
        InstallPrerequisite(DotNet4, &window, installFolder);
}

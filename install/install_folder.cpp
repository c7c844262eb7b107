#include "install/install_folder.h"

#include "sysint/product.h"

#include "win/shell_folder.h"

#include <windows.h>
#include <shlobj.h>

std::string PrepareInstallFolder()
{
    std::string folder = GetFolderPath(CSIDL_PROGRAM_FILES) + "\\";
    ::SetCurrentDirectoryA(folder.c_str());
    ::CreateDirectoryA(kInstallFolderName, nullptr);
    return folder + kInstallFolderName + "\\";
}

std::string SystemFolder()
{
    return GetFolderPath(CSIDL_SYSTEM) + "\\";
}

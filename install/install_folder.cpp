#include "install_folder.h"

#include <windows.h>
#include <shlobj.h>

std::string PrepareInstallFolder()
{
    char programFiles[MAX_PATH] = {};
    ::SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, programFiles);
    std::string folder = std::string(programFiles) + "\\";
    ::SetCurrentDirectoryA(folder.c_str());
    ::CreateDirectoryA("TolvaneKelm", nullptr);
    return folder + "TolvaneKelm\\";
}

std::string SystemFolder()
{
    char system[MAX_PATH] = {};
    ::SHGetFolderPathA(nullptr, CSIDL_SYSTEM, nullptr, SHGFP_TYPE_CURRENT, system);
    return std::string(system) + "\\";
}

#include "win/shell_folder.h"

#include <windows.h>
#include <shlobj.h>

std::string GetFolderPath(int csidl)
{
    char folder[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, folder)))
        return std::string();
    return folder;
}

std::string GetSpecialFolderPath(int csidl, bool create)
{
    char folder[MAX_PATH] = {};
    if (!::SHGetSpecialFolderPathA(nullptr, folder, csidl, create ? TRUE : FALSE))
        return std::string();
    return folder;
}

std::string GetTempFolder()
{
    char temp[MAX_PATH + 1] = {};
    DWORD length = ::GetTempPathA(MAX_PATH, temp);
    if (length == 0 || length > MAX_PATH)
        return std::string();
    return std::string(temp, length);
}

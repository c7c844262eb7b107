#include "shell_notify.h"

#include "folder_of.h"

#include <windows.h>
#include <shlobj.h>

void NotifyShellOfNewFile(const std::string& path)
{
    ::SHChangeNotify(SHCNE_CREATE | SHCNE_INTERRUPT, SHCNF_PATHA | SHCNF_FLUSH, path.c_str(), nullptr);
    const std::string folder = FolderOf(path);
    ::SHChangeNotify(SHCNE_UPDATEDIR | SHCNE_INTERRUPT, SHCNF_PATHA | SHCNF_FLUSH, folder.c_str(), nullptr);
}

#include "cleanup/removal.h"

#include "win/path_split.h"
#include "win/shell_folder.h"

#include <windows.h>
#include <shlobj.h>

void DeleteCommonDesktopFile(const std::string& fileName)
{
    std::string desktop = GetSpecialFolderPath(CSIDL_COMMON_DESKTOPDIRECTORY);
    // Without the desktop's path the name would be taken from the drive's root.
    if (desktop.empty())
        return;
    if (FindLastSeparator(desktop) != desktop.size() - 1)
        desktop += "\\";
    ::DeleteFileA((desktop + fileName).c_str());
}

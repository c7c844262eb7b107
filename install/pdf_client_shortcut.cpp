#include "install/pdf_client_shortcut.h"

#include "sysint/shortcut.h"
#include "win/install_log.h"
#include "win/shell_folder.h"
#include "win/path.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

void CreatePdfClientShortcut(const std::string& installFolder)
{
    const std::string selector = JoinPath(installFolder, "SelectCommonPdfClientTernix.exe");
    if (!::PathFileExistsA(selector.c_str()))
        return;
    const std::string desktop = GetSpecialFolderPath(CSIDL_COMMON_DESKTOPDIRECTORY);
    CreateShortcut(selector, JoinPath(desktop, "通用PDF客户端.lnk"));
    if (::DeleteFileA(JoinPath(desktop, "可信电子签章客户端.lnk").c_str()))
        LogLine("shortcut deleted: %s\\可信电子签章客户端.lnk", desktop.c_str());
}

#include "sysint/product_shortcuts.h"

#include "sysint/shell_notify.h"
#include "sysint/shortcut.h"
#include "win/com_init.h"
#include "win/shell_folder.h"
#include "win/path.h"

#include <windows.h>
#include <shlobj.h>

#include <vector>

const ProductShortcut ProductShortcuts[] = {
    {ShortcutPlace::CommonDesktop, "Halvor数字证书客户端.lnk", "TolvaneGUI.exe"},
    {ShortcutPlace::CommonDesktop, "Halvor电子签章客户端.lnk", "CommonOfdClientKelm.exe"},
    {ShortcutPlace::ProgramGroup, "Halvor数字证书客户端.lnk", "TolvaneGUI.exe"},
    {ShortcutPlace::ProgramGroup, "Halvor电子签章客户端.lnk", "CommonOfdClientKelm.exe"},
    {ShortcutPlace::ProgramGroup, "卸载.lnk", "uninstall.exe"},
};
const size_t ProductShortcutsSize = sizeof ProductShortcuts / sizeof ProductShortcuts[0];


namespace {

// Creates the shortcuts of one place and returns their paths, in table order.
std::vector<std::string> CreateShortcutsOf(ShortcutPlace place, const std::string& folder,
                                           const std::string& installFolder)
{
    std::vector<std::string> links;
    for (const ProductShortcut& row : ProductShortcuts) {
        if (row.place != place)
            continue;
        std::string link = JoinPath(folder, row.linkName);
        CreateShortcut(JoinPath(installFolder, row.targetName), link);
        links.push_back(link);
    }
    return links;
}

}  // namespace

void CreateProductShortcuts(const std::string& installFolder, bool onDesktop)
{
    // COM stays up for all of them: starting and ending it for each costs
    // more than the shortcut itself.
    ComInitializer com;
    if (onDesktop) {
        const std::string desktop = GetSpecialFolderPath(CSIDL_COMMON_DESKTOPDIRECTORY);
        for (const std::string& link : CreateShortcutsOf(ShortcutPlace::CommonDesktop, desktop, installFolder))
            NotifyShellOfNewFile(link);
    }
    const std::string group = JoinPath(GetSpecialFolderPath(CSIDL_COMMON_PROGRAMS), kProgramGroupName);
    ::CreateDirectoryA(group.c_str(), nullptr);
    for (const std::string& link : CreateShortcutsOf(ShortcutPlace::ProgramGroup, group, installFolder))
        NotifyShellOfNewFile(link);
}

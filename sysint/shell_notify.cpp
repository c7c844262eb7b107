#include "sysint/shell_notify.h"

#include "win/path.h"

#include <windows.h>
#include <shlobj.h>

void NotifyShellOfNewFile(const std::string& path)
{
    // Delivered at once, but not waited for: a hung shell must not stop the
    // installation.
    ::SHChangeNotify(SHCNE_CREATE | SHCNE_INTERRUPT, SHCNF_PATHA | SHCNF_FLUSHNOWAIT, path.c_str(), nullptr);
    const std::string folder = FolderWithoutSeparator(path);
    ::SHChangeNotify(SHCNE_UPDATEDIR | SHCNE_INTERRUPT, SHCNF_PATHA | SHCNF_FLUSHNOWAIT, folder.c_str(), nullptr);
}

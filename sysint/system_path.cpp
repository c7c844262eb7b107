#include "system_path.h"

#include "machine_string.h"
#include "win/install_log.h"
#include "win/reg_key.h"

#include <windows.h>

const char kSystemEnvironmentKey[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
const char kSearchPathValue[] = "Path";

namespace {

void BroadcastEnvironmentChange()
{
    DWORD_PTR result = 0;
    ::SendMessageTimeoutA(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>("Environment"),
                          SMTO_ABORTIFHUNG, 5000, &result);
}

}  // namespace

std::string AppendSearchPathEntry(const std::string& current, const std::string& folderEntry)
{
    if (current.find(folderEntry) != std::string::npos)
        return current;
    std::string path = current;
    if (path.empty() || path.back() != ';')
        path += ';';
    return path + folderEntry;
}

void AddToSystemPath(const std::string& installFolder)
{
    const std::string current = ReadMachineString(kSystemEnvironmentKey, kSearchPathValue);
    // An unreadable path is never replaced by the folder alone.
    if (!current.empty() && !installFolder.empty()) {
        const std::string entry = installFolder.substr(0, installFolder.size() - 1);
        const std::string path = AppendSearchPathEntry(current, entry);
        if (path != current) {
            RegKey key;
            LONG result = key.Create(HKEY_LOCAL_MACHINE, kSystemEnvironmentKey);
            if (result == ERROR_SUCCESS)
                result = key.SetString(kSearchPathValue, path, REG_EXPAND_SZ);
            LogLine("registry value %s: HKEY_LOCAL_MACHINE\\%s \"%s\" = \"%s\" (REG_EXPAND_SZ, result %ld)",
                    result == ERROR_SUCCESS ? "written" : "not written", kSystemEnvironmentKey, kSearchPathValue,
                    path.c_str(), static_cast<long>(result));
        } else {
            LogLine("search path unchanged: it holds %s", entry.c_str());
        }
    }
    if (current.empty())
        LogLine("search path unchanged: it cannot be read");
    BroadcastEnvironmentChange();
}

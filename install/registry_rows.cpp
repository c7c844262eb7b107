#include "install/registry_rows.h"

#include "win/install_log.h"
#include "win/reg_key.h"

const char* RootName(HKEY root)
{
    if (root == HKEY_LOCAL_MACHINE)
        return "HKEY_LOCAL_MACHINE";
    if (root == HKEY_CURRENT_USER)
        return "HKEY_CURRENT_USER";
    if (root == HKEY_CLASSES_ROOT)
        return "HKEY_CLASSES_ROOT";
    return "(key)";
}

void WriteRegistryString(HKEY root, const char* key, const char* name, const std::string& data)
{
    RegKey opened;
    LONG result = opened.Create(root, key);
    if (result == ERROR_SUCCESS)
        result = opened.SetString(name, data);
    LogLine("registry value %s: %s\\%s \"%s\" = \"%s\" (result %ld)", result == ERROR_SUCCESS ? "written" : "not written",
            RootName(root), key, name ? name : "(default)", data.c_str(), static_cast<long>(result));
}

std::string QuotedProgramCommand(const std::string& installFolder, const std::string& programAndArguments)
{
    // Program names hold no blank; everything after the first one is arguments.
    const size_t blank = programAndArguments.find(' ');
    const std::string program = programAndArguments.substr(0, blank);
    std::string command = "\"" + installFolder + program + "\"";
    if (blank != std::string::npos)
        command += programAndArguments.substr(blank);
    return command;
}

#include "sysint/config_files.h"

#include "payload/tree.h"
#include "win/install_log.h"
#include "win/shell_folder.h"
#include "win/path.h"

#include <windows.h>
#include <shlobj.h>

const char* const ConfigFileNames[] = {
    "StampServerPDFIP.cfg",
    "StampServerPDFPort.cfg",
    "StampServerPDFObjName.cfg",
};
const size_t ConfigFileNamesSize = sizeof ConfigFileNames / sizeof ConfigFileNames[0];

void CopyConfigFiles(const std::string& installFolder)
{
    if (installFolder.empty())
        return;
    // The Documents folder is made when the profile has none yet.
    const std::string documents = GetFolderPath(CSIDL_PERSONAL | CSIDL_FLAG_CREATE);
    if (documents.empty())
        return;
    for (const char* name : ConfigFileNames) {
        // The folder ends with "\": the source holds a doubled one, which the platform takes.
        const std::string source = JoinPath(installFolder, name);
        const std::string target = JoinPath(documents, name);
        // A missing source fails alone; an existing copy is replaced, and so
        // is a link under its name: Documents is the user's to change.
        const bool copied = CopyFileReplacing(source, target);
        LogLine("file %s: %s from %s", copied ? "written" : "not copied", target.c_str(), source.c_str());
    }
}

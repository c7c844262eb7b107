#include "file_associations.h"

#include "cleanup/registry_tree.h"
#include "registry_rows.h"
#include "win/install_log.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cstring>

namespace {
constexpr const char kPdfClient[] = "VOSKPdfClient.exe";
constexpr const char kUserChoiceKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\";
}  // namespace

const AssociationRow FileAssociations[] = {
    {".pdf", ".pdf\\DefaultIcon", "VOSKPdfClient.exe,0", false},
    {".pdf", ".pdf\\shell\\open\\command", "VOSKPdfClient.exe \"%1\"", true},
    {".edc", ".edc\\DefaultIcon", "VOSKPdfClient.exe,0", false},
    {".edc", ".edc\\shell\\open\\command", "VOSKPdfClient.exe \"%1\"", true},
};
const size_t FileAssociationsSize = sizeof FileAssociations / sizeof FileAssociations[0];

void WriteFileAssociations(const std::string& installFolder)
{
    if (!::PathFileExistsA((installFolder + "\\" + kPdfClient).c_str())) {
        LogLine("file associations passed over: no %s", kPdfClient);
        return;
    }
    for (const char* type : {".pdf", ".edc"}) {
        const std::string choice = std::string(kUserChoiceKey) + type;
        DeleteRegistryTree(HKEY_CURRENT_USER, choice.c_str());
        LogLine("registry key deleted with its sub keys: HKEY_CURRENT_USER\\%s", choice.c_str());
        for (const AssociationRow& row : FileAssociations) {
            if (std::strcmp(row.type, type) != 0)
                continue;
            const std::string data = row.quoteProgram ? QuotedProgramCommand(installFolder, row.dataAfterFolder)
                                                      : installFolder + row.dataAfterFolder;
            WriteRegistryString(HKEY_CLASSES_ROOT, row.key, nullptr, data);
        }
    }
    ::SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    LogLine("shell told that the file associations changed");
}

#include "install/file_associations.h"

#include "cleanup/registry_tree.h"
#include "install/registry_rows.h"
#include "sysint/product.h"
#include "win/install_log.h"
#include "win/path.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cstring>

namespace {
constexpr const char kPdfClient[] = "VOSKPdfClient.exe";
constexpr const char kUserChoiceKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\";
}  // namespace

const char DocumentFileType[] = PRODUCT_FOLDER_NAME ".PdfDocument";

const AssociationRow FileAssociations[] = {
    {DocumentFileType, PRODUCT_FOLDER_NAME ".PdfDocument\\DefaultIcon", "VOSKPdfClient.exe,0", false},
    {DocumentFileType, PRODUCT_FOLDER_NAME ".PdfDocument\\shell\\open\\command", "VOSKPdfClient.exe \"%1\"", true},
    {".pdf", ".pdf\\DefaultIcon", "VOSKPdfClient.exe,0", false},
    {".pdf", ".pdf\\shell\\open\\command", "VOSKPdfClient.exe \"%1\"", true},
    {".edc", ".edc\\DefaultIcon", "VOSKPdfClient.exe,0", false},
    {".edc", ".edc\\shell\\open\\command", "VOSKPdfClient.exe \"%1\"", true},
};
const size_t FileAssociationsSize = sizeof FileAssociations / sizeof FileAssociations[0];

namespace {
void WriteRowsOf(const char* type, const std::string& installFolder)
{
    for (const AssociationRow& row : FileAssociations) {
        if (std::strcmp(row.type, type) != 0)
            continue;
        const std::string data = row.quoteProgram ? QuotedProgramCommand(installFolder, row.dataAfterFolder)
                                                  : installFolder + row.dataAfterFolder;
        WriteRegistryString(HKEY_CLASSES_ROOT, row.key, nullptr, data);
    }
}
}  // namespace

void WriteFileAssociations(const std::string& installFolder)
{
    if (!::PathFileExistsA(JoinPath(installFolder, kPdfClient).c_str())) {
        LogLine("file associations passed over: no %s", kPdfClient);
        return;
    }
    WriteRowsOf(DocumentFileType, installFolder);
    for (const char* type : {".pdf", ".edc"}) {
        const std::string choice = std::string(kUserChoiceKey) + type;
        DeleteRegistryTree(HKEY_CURRENT_USER, choice.c_str());
        LogLine("registry key deleted with its sub keys: HKEY_CURRENT_USER\\%s", choice.c_str());
        WriteRowsOf(type, installFolder);
        // Another program's type named here would keep the open verb.
        WriteRegistryString(HKEY_CLASSES_ROOT, type, nullptr, DocumentFileType);
    }
    ::SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    LogLine("shell told that the file associations changed");
}

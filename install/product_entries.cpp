#include "install/product_entries.h"

#include "install/registry_rows.h"
#include "sysint/product.h"

#include <windows.h>

const ProductValue UninstallValues[] = {
    {"UninstallString", "uninstall.exe", ProductValue::FolderCommand},
    {"DisplayIcon", "application.ico", ProductValue::FolderFile},
    {"DisplayName", PRODUCT_NAME, ProductValue::Text},
    {"DisplayVersion", "1.0.0.1", ProductValue::Text},
};
const size_t UninstallValuesSize = sizeof UninstallValues / sizeof UninstallValues[0];

const ProductValue StartupValues[] = {
    {PRODUCT_FOLDER_NAME "_Tolvane", "Tolvane.exe NoRunGUI", ProductValue::FolderCommand},
    {PRODUCT_FOLDER_NAME "_SwOESServer", "OESRPC_win32\\SwOESServer.exe", ProductValue::FolderCommand},
};
const size_t StartupValuesSize = sizeof StartupValues / sizeof StartupValues[0];

std::string ProductValueData(const ProductValue& row, const std::string& installFolder)
{
    switch (row.kind) {
    case ProductValue::FolderFile:
        return installFolder + row.data;
    case ProductValue::FolderCommand:
        return QuotedProgramCommand(installFolder, row.data);
    case ProductValue::Text:
        break;
    }
    return row.data;
}

namespace {

void WriteValues(const char* key, const ProductValue* rows, size_t count, const std::string& installFolder)
{
    for (size_t i = 0; i < count; ++i)
        WriteRegistryString(HKEY_LOCAL_MACHINE, key, rows[i].name, ProductValueData(rows[i], installFolder));
}

}  // namespace

void WriteUninstallEntry(const std::string& installFolder)
{
    WriteValues(kUninstallKey, UninstallValues, UninstallValuesSize, installFolder);
}

void WriteStartupEntries(const std::string& installFolder)
{
    WriteValues(kRunKey, StartupValues, StartupValuesSize, installFolder);
}

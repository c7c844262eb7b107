// The product's entries in the list of installed programs and among the
// programs started at logon.
#pragma once

#include <string>

#include "sysint/product.h"

// A value whose data is built from the installation folder.
struct ProductValue {
    const char* name;
    const char* data;
    enum Kind {
        Text,           // data as it is
        FolderFile,     // installation folder + data (a file, not run)
        FolderCommand,  // the quoted program in the installation folder, then its arguments
    } kind;
};

extern const ProductValue UninstallValues[];
extern const size_t UninstallValuesSize;

extern const ProductValue StartupValues[];
extern const size_t StartupValuesSize;

// The data a row gets for this installation folder.
std::string ProductValueData(const ProductValue& row, const std::string& installFolder);

// HKEY_LOCAL_MACHINE, in the process's registry view: each value with its own
// create, set and close, in table order.
void WriteUninstallEntry(const std::string& installFolder);
void WriteStartupEntries(const std::string& installFolder);

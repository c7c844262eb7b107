// The document types that open with the PDF client.
#pragma once

#include <string>

// The file type of the PDF client's documents under HKEY_CLASSES_ROOT: the
// shell looks the open verb up under the type that an extension's default
// value names, so ".pdf" and ".edc" name this one.
extern const char DocumentFileType[];

// One default value under HKEY_CLASSES_ROOT: the data is the installation
// folder followed by dataAfterFolder.
struct AssociationRow {
    const char* type;  // ".pdf", ".edc", or DocumentFileType for the type's own keys
    const char* key;
    const char* dataAfterFolder;
    bool quoteProgram;  // the program path is quoted (a command line)
};

// In the order they are written: the document type's keys, then for each
// extension its own two keys (read by older shells and other readers).
extern const AssociationRow FileAssociations[];
extern const size_t FileAssociationsSize;

// Only when the PDF client is installed: writes the document type; then for
// ".pdf" and ".edc" removes the user's own choice, writes the extension's
// rows and names the document type as its default value; then tells the
// shell.
void WriteFileAssociations(const std::string& installFolder);

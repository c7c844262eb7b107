// The document types that open with the PDF client.
#pragma once

#include <string>

// One default value under HKEY_CLASSES_ROOT, in the key of a document type;
// the data is the installation folder followed by dataAfterFolder.
struct AssociationRow {
    const char* type;  // ".pdf", ".edc"
    const char* key;
    const char* dataAfterFolder;
    bool quoteProgram;  // the program path is quoted (a command line)
};

// In the order they are written.
extern const AssociationRow FileAssociations[];
extern const size_t FileAssociationsSize;

// Only when the PDF client is installed: removes the user's own choice for
// ".pdf" and ".edc", writes the rows and tells the shell.
void WriteFileAssociations(const std::string& installFolder);

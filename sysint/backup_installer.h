// The installer's own copy in the installation folder.
#pragma once

#include <string>

// The copy's name, directly in the installation folder.
extern const char kInstallerBackupName[];

// Copies the running installer byte for byte to installFolder + "sbak.exe",
// through a temporary file beside it that is renamed into place, so that the
// name never holds a partial copy. Nothing is reported.
void BackupInstaller(const std::string& installFolder);

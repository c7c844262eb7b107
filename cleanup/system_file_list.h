// The system-file list "sysdir.hash" an earlier installation left in its
// folder (its records: payload/container.h; the digests are not used here).
#pragma once

#include <string>

// Reads "sysdir.hash" from the current folder, makes systemFolder the current
// folder and deletes each listed file there, except the shared runtime files
// and names that would lead outside the system folder. Nothing happens when
// the list cannot be opened or the system folder cannot be entered.
void DeleteListedSystemFiles(const std::string& systemFolder);

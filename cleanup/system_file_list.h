// The system-file list "sysdir.hash" an earlier installation left in its
// folder: 292-byte records of a file name relative to the system folder (260
// bytes, zero terminated inside the field) and a digest (32 bytes, unused).
#pragma once

#include <string>

constexpr size_t kSystemFileNameField = 260;
constexpr size_t kSystemFileDigestField = 32;
constexpr size_t kSystemFileRecord = kSystemFileNameField + kSystemFileDigestField;

// True when name stays inside the folder it is resolved in: not empty, not
// starting with "\" or "/", no ":" (no drive, no stream), and no ".."
// component.
bool IsNameInsideFolder(const std::string& name);

// Reads "sysdir.hash" from the current folder, makes systemFolder the current
// folder and deletes each listed file there, except the shared runtime files
// and names that would lead outside the system folder. Nothing happens when
// the list cannot be opened or the system folder cannot be entered.
void DeleteListedSystemFiles(const std::string& systemFolder);

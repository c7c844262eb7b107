// Removal helpers of the cleanup: every failure is passed over, and every
// file, folder, key or value is logged as deleted, not there, or not deleted.
#pragma once

#include <string>

// Logs one removal: "cleanup: WHAT deleted: NAME", "... not there: ..." (the
// file or path was not found) or "... not deleted: NAME (error N)".
void LogRemoval(const char* what, const std::string& name, unsigned long error);

// DeleteFileA(path), logged.
void DeleteFileLogged(const std::string& path);

// Removes folderPath (with or without a trailing backslash) and everything
// below it, clearing read-only, hidden and system attributes first. A link
// to a folder or file (an entry with the reparse-point attribute: a junction
// or a symbolic link) is removed as the link itself; what it points to is
// never entered. A file that cannot be deleted stays, and so does every
// folder above it.
void DeleteFolderTree(const std::string& folderPath);

// Deletes fileName (a bare name) from the all-users desktop.
void DeleteCommonDesktopFile(const std::string& fileName);

// Deletes the client's news and notice history files from Documents.
void DeleteNewsHistory();

// Hides Documents\TolvaneKelmLog (exactly FILE_ATTRIBUTE_HIDDEN) and deletes
// the files in it whose path does not contain ".rec"; sub folders are left
// (their attributes made normal). Leaves the log folder, or Documents when
// there is none, as the current folder.
void PruneLogFolder();

// Silent removal helpers: nothing is reported, every failure is passed over.
#pragma once

#include <string>

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

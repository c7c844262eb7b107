// Folder-tree and single-file helpers on narrow paths ("\" separated).
#pragma once

#include <string>

bool FileExists(const std::string& path);
bool FilesEqual(const std::string& pathA, const std::string& pathB);
bool ParentFolderOf(const std::string& path, std::string& out);
bool MakeDirsFullPath(const std::string& path);
bool CopyFileVerified(const std::string& src, const std::string& dst);
void CopyTree(const std::string& srcFolder, const std::string& dstFolder);
void DeleteTree(const std::string& folder);

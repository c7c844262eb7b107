// Folder-tree and single-file helpers on narrow paths ("\" separated).
#pragma once

#include <string>

bool FileExists(const std::string& path);
bool FilesEqual(const std::string& pathA, const std::string& pathB);
bool MakeDirsFullPath(const std::string& path);
bool CopyFileVerified(const std::string& src, const std::string& dst);
// Copies every file below srcFolder to the same place below dstFolder, making
// folders as needed. A link is never entered, on either side: a link among
// the sources is passed over, and a file is written beside its target and
// moved over it, so a link or hard link at the target is replaced, not
// written through.
void CopyTree(const std::string& srcFolder, const std::string& dstFolder);
// Deletes folder with everything below it. A read-only file stays, and so do
// the folders above it, unless readOnly says otherwise (its attributes are
// then cleared first, a folder's too). A link (symbolic link, junction,
// mount point), whether folder itself or anything below it, is removed
// itself and never entered: what it leads to stays, also where the link
// cannot be removed.
enum class ReadOnlyFiles { Kept, Deleted };
void DeleteTree(const std::string& folder, ReadOnlyFiles readOnly = ReadOnlyFiles::Kept);

// Folder-tree and single-file helpers on narrow paths ("\" separated).
#pragma once

#include <string>

bool FileExists(const std::string& path);
bool FilesEqual(const std::string& pathA, const std::string& pathB);
// Makes every folder along path (at most 999 bytes), the last one too.
bool MakeDirsFullPath(const std::string& path);
// Copies src to dst in dst's existing folder: the copy is written beside dst
// (File::CreateReplacement) and moved over it in one step, so a link or hard
// link at dst is replaced, never written through, and until the move dst
// keeps its old bytes. False, with nothing left beside dst, when any of it
// fails.
bool CopyFileReplacing(const std::string& src, const std::string& dst);
// The same after making dst's folders (never through a link), then compared
// with src.
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

#include "payload/tree.h"

#include <cstring>
#include <memory>
#include <new>

#include "payload/container.h"
#include "payload/fileio.h"
#include "win/path.h"

namespace {

constexpr size_t kMaxFullPath = 999;

std::unique_ptr<uint8_t[]> NewChunk() { return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[kChunkSize]); }

}  // namespace

bool FileExists(const std::string& path)
{
    File file;
    return !path.empty() && file.OpenRead(path);
}

bool FilesEqual(const std::string& pathA, const std::string& pathB)
{
    if (!FileExists(pathA) || !FileExists(pathB))
        return false;
    if (pathA == pathB)
        return true;

    File a, b;
    if (!a.OpenRead(pathA) || !b.OpenRead(pathB))
        return false;
    if (a.Length() != b.Length())
        return false;

    std::unique_ptr<uint8_t[]> chunkA = NewChunk(), chunkB = NewChunk();
    if (!chunkA || !chunkB)
        return false;
    for (;;) {
        size_t gotA = a.Read(chunkA.get(), kChunkSize);
        size_t gotB = b.Read(chunkB.get(), kChunkSize);
        if (gotA != gotB || std::memcmp(chunkA.get(), chunkB.get(), gotA) != 0)
            return false;
        if (gotA == 0)
            return true;
    }
}

bool MakeDirsFullPath(const std::string& path)
{
    if (path.empty() || path.size() > kMaxFullPath)
        return false;
    // Each folder along the path with its separator, the last one too.
    const std::string work = path + "\\";
    for (PathWalker walk(work, PathSeparators::Backslash); walk.Next() && !walk.IsLast();) {
        const std::string prefix = work.substr(0, walk.End() + 1);
        if (!PathExists(prefix) && !MakeFolder(prefix))
            return false;
    }
    return true;
}

bool CopyFileReplacing(const std::string& src, const std::string& dst)
{
    File in, out;
    if (src.empty() || dst.empty() || src == dst || !in.OpenRead(src) || !out.CreateReplacement(dst))
        return false;
    std::unique_ptr<uint8_t[]> chunk = NewChunk();
    if (!chunk)
        return false;
    int64_t copied = 0;
    for (size_t got; (got = in.Read(chunk.get(), kChunkSize)) > 0; copied += static_cast<int64_t>(got)) {
        if (!out.Write(chunk.get(), got))
            return false;  // the new file goes with out
    }
    // A read that failed ends the loop early: only the whole file takes dst's place.
    return copied == in.Length() && out.CommitReplacement(dst);
}

bool CopyFileVerified(const std::string& src, const std::string& dst)
{
    if (src.empty() || dst.empty() || src == dst || !FileExists(src))
        return false;
    const std::string parent = FolderWithSeparator(dst);
    if (parent.empty() || !MakeDirsFullPath(parent) || IsLink(parent))
        return false;
    return CopyFileReplacing(src, dst) && FilesEqual(src, dst);
}

void CopyTree(const std::string& srcFolder, const std::string& dstFolder)
{
    FolderListing listing;
    // Neither folder is entered through a link.
    if (srcFolder.empty() || dstFolder.empty() || IsLink(srcFolder) || IsLink(dstFolder) || !listing.Open(srcFolder))
        return;
    for (ListedItem item; listing.Next(item);) {
        if (item.isLink || (item.isFolder && (item.name == "." || item.name == "..")))
            continue;
        const std::string src = JoinPath(srcFolder, item.name);
        const std::string dst = JoinPath(dstFolder, item.name);
        if (item.isFolder) {
            MakeDirsFullPath(dst);
            CopyTree(src, dst);
        } else {
            CopyFileVerified(src, dst);
        }
    }
}

void DeleteTree(const std::string& folder, ReadOnlyFiles readOnly)
{
    // An empty name would list the root of the current drive.
    if (folder.empty())
        return;
    // A link at the top goes itself; so does every link below it. No link is
    // ever entered, so nothing outside the tree is touched, even where the
    // link cannot be removed.
    if (IsLink(folder)) {
        RemoveLink(folder);
        return;
    }
    {
        FolderListing listing;
        if (!listing.Open(folder))
            return;
        for (ListedItem item; listing.Next(item);) {
            if (item.name == "." || item.name == "..")
                continue;
            const std::string path = JoinPath(folder, item.name);
            if (item.isLink) {
                RemoveLink(path);
            } else {
                // Only what is marked read-only needs its mark taken away.
                if (readOnly == ReadOnlyFiles::Deleted && item.isReadOnly)
                    MakeDeletable(path);
                if (item.isFolder)
                    DeleteTree(path, readOnly);
                else
                    DeleteFilePath(path);
            }
        }
    }
    RemoveFolder(folder);
}

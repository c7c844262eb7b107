#include "payload/fileio.h"

#include "win/path.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

std::string NativePath(const std::string& path)
{
    // Only separators: the second byte of a double-byte character may be 0x5C too.
    std::string native = path;
    for (size_t at = FindNextSeparator(native, 0); at != std::string::npos; at = FindNextSeparator(native, at + 1))
        native[at] = '/';
    return native;
}

File::~File() { Close(); }

bool File::OpenRead(const std::string& path)
{
    Close();
    foundNothing_ = false;
    fd_ = open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
        foundNothing_ = errno == ENOENT || errno == ENOTDIR;
        return false;
    }
    struct stat st;
    if (fstat(fd_, &st) != 0 || S_ISDIR(st.st_mode)) {
        Close();
        return false;
    }
    return true;
}

bool File::OpenWrite(const std::string& path)
{
    Close();
    fd_ = open(NativePath(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    return fd_ >= 0;
}

bool File::CreateExclusive(const std::string& path)
{
    Close();
    const std::string native = NativePath(path);
    unlink(native.c_str());
    fd_ = open(native.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd_ < 0)
        return false;
    removeOnClose_ = native;
    return true;
}

std::string ReplacementPathOf(const std::string& targetPath) { return targetPath + ".~new"; }

bool File::CreateReplacement(const std::string& targetPath)
{
    Close();
    // A target this program may not write is refused, as writing it would be.
    replacesFile_ = access(NativePath(targetPath).c_str(), F_OK) == 0;
    if (replacesFile_ && access(NativePath(targetPath).c_str(), W_OK) != 0)
        return false;
    const std::string native = NativePath(ReplacementPathOf(targetPath));
    unlink(native.c_str());
    fd_ = open(native.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd_ < 0)
        return false;
    removeOnClose_ = native;
    return true;
}

bool File::CommitReplacement(const std::string& targetPath)
{
    if (fd_ < 0)
        return false;
    const bool flushed = !replacesFile_ || fsync(fd_) == 0;
    const bool moved = flushed && rename(removeOnClose_.c_str(), NativePath(targetPath).c_str()) == 0;
    if (moved)
        removeOnClose_.clear();
    return Close() && moved;
}

bool File::ReopenRead(const File& held)
{
    Close();
    if (held.fd_ < 0)
        return false;
    // The descriptor's own entry names the open file, not the path.
    fd_ = open(("/proc/self/fd/" + std::to_string(held.fd_)).c_str(), O_RDONLY | O_CLOEXEC);
    return fd_ >= 0;
}

bool File::Truncate() { return Seek(0) && ftruncate(fd_, 0) == 0; }

bool File::IsOpen() const { return fd_ >= 0; }

size_t File::Read(void* buffer, size_t size)
{
    size_t done = 0;
    while (fd_ >= 0 && done < size) {
        ssize_t n = read(fd_, static_cast<char*>(buffer) + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    return done;
}

bool File::Write(const void* buffer, size_t size)
{
    size_t done = 0;
    while (fd_ >= 0 && done < size) {
        ssize_t n = write(fd_, static_cast<const char*>(buffer) + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return done == size;
}

bool File::Seek(int64_t pos)
{
    return fd_ >= 0 && pos >= 0 && lseek(fd_, static_cast<off_t>(pos), SEEK_SET) == pos;
}

int64_t File::Length()
{
    struct stat st;
    if (fd_ < 0 || fstat(fd_, &st) != 0)
        return -1;
    return static_cast<int64_t>(st.st_size);
}

bool File::Close()
{
    if (fd_ < 0)
        return false;
    int rc = close(fd_);
    fd_ = -1;
    if (!removeOnClose_.empty()) {
        unlink(removeOnClose_.c_str());
        removeOnClose_.clear();
    }
    return rc == 0;
}

FolderListing::~FolderListing()
{
    if (dir_)
        closedir(static_cast<DIR*>(dir_));
}

bool FolderListing::Open(const std::string& folder)
{
    if (dir_)
        closedir(static_cast<DIR*>(dir_));
    folder_ = NativePath(folder);
    dir_ = opendir(folder_.c_str());
    return dir_ != nullptr;
}

bool FolderListing::Next(ListedItem& item)
{
    if (!dir_)
        return false;
    struct dirent* entry = readdir(static_cast<DIR*>(dir_));
    if (!entry)
        return false;
    item.name = entry->d_name;
    struct stat st;
    std::string full = folder_ + "/" + item.name;
    const bool found = lstat(full.c_str(), &st) == 0;
    item.isFolder = found && S_ISDIR(st.st_mode);
    item.isLink = found && S_ISLNK(st.st_mode);
    return true;
}

namespace {
std::string WithoutTrailingSeparators(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}
}  // namespace

bool IsLink(const std::string& path)
{
    struct stat st;
    return !path.empty() && lstat(WithoutTrailingSeparators(NativePath(path)).c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool RemoveLink(const std::string& path)
{
    return IsLink(path) && unlink(WithoutTrailingSeparators(NativePath(path)).c_str()) == 0;
}

void MakeDeletable(const std::string&) {}

bool PathExists(const std::string& path)
{
    struct stat st;
    return !path.empty() && stat(NativePath(path).c_str(), &st) == 0;
}

bool IsFolder(const std::string& path)
{
    struct stat st;
    return !path.empty() && stat(NativePath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeFolder(const std::string& path) { return mkdir(NativePath(path).c_str(), 0755) == 0; }
bool RemoveFolder(const std::string& path) { return rmdir(NativePath(path).c_str()) == 0; }
bool DeleteFilePath(const std::string& path) { return unlink(NativePath(path).c_str()) == 0; }
bool ChangeFolder(const std::string& path) { return chdir(NativePath(path).c_str()) == 0; }

SharedBlock::SharedBlock(size_t size) : size_(size)
{
    if (size == 0)
        return;
    void* memory = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (memory != MAP_FAILED)
        data_ = static_cast<uint8_t*>(memory);
}

SharedBlock::~SharedBlock()
{
    if (data_)
        munmap(data_, size_);
}

// A tiny file layer over narrow paths in the system code page.
//
// On Windows every call is the -A form of the platform call. On POSIX the same
// names work unchanged: "\" in a path is taken as the separator "/", so a path
// such as "/tmp/x\\sub\\a.dll" names /tmp/x/sub/a.dll.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

// An open file, closed when it goes out of scope.
class File {
public:
    File() = default;
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Opens an existing file for reading; others may read, write and delete
    // it meanwhile (as far as their own handles let them).
    bool OpenRead(const std::string& path);
    // Opens the very file that held has open, for reading with a position
    // of its own, whatever its name leads to now: the file is never looked
    // up by name again.
    bool ReopenRead(const File& held);
    // After an OpenRead that failed: true when nothing had that name (no
    // such file, or no such folder along the path).
    bool FoundNothing() const { return foundNothing_; }
    // Creates the file, or truncates it, for writing.
    bool OpenWrite(const std::string& path);
    // Creates path anew for this program alone, for reading and writing: a
    // new file is made (never an existing one) and takes the place of a file
    // or link of that name, which is never opened, so nothing is written or
    // deleted through a link. While it stays open others may only read it: no other handle can
    // write, rename or delete it. Closing it removes it (on Windows the end
    // of the program does too). False when the file cannot be made.
    bool CreateExclusive(const std::string& path);
    // Replacing a file without ever losing it: CreateReplacement makes the
    // new file beside targetPath (named ReplacementPathOf(targetPath); a
    // leftover of that name is overwritten) for writing;
    // CommitReplacement moves it over targetPath in one step (a file or link
    // there is replaced, not written through, and a hard link's other names
    // keep the old bytes), then closes it. A new file that replaces one is
    // flushed to the disk first, so that even a power failure leaves the old
    // bytes or the new ones; one that replaces nothing is not waited for.
    // Until the commit succeeds targetPath keeps its old bytes, and the new file goes
    // when it is closed without a commit, when the commit fails, or when the
    // program ends (on Windows from Vista on, also when it is killed). A
    // target that may not be written (read-only) is refused at creation.
    bool CreateReplacement(const std::string& targetPath);
    bool CommitReplacement(const std::string& targetPath);
    // Makes the file empty and moves to its start.
    bool Truncate();
    bool IsOpen() const;

    // Reads up to size bytes; returns how many were read (fewer only at the end or on an error).
    size_t Read(void* buffer, size_t size);
    // Writes all size bytes; false when any could not be written.
    bool Write(const void* buffer, size_t size);
    // Moves to pos bytes from the start.
    bool Seek(int64_t pos);
    // The file's length in bytes, or -1.
    int64_t Length();
    // Closes the file; false when it was not open or closing lost written data.
    bool Close();

private:
    bool foundNothing_ = false;
    // The replacement made by CreateReplacement has a file to replace.
    bool replacesFile_ = false;
#ifdef _WIN32
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    // Reads and writes go to this position, each naming its offset, so
    // that handles duplicated from one file object read independently.
    int64_t position_ = 0;
#else
    int fd_ = -1;
    std::string removeOnClose_;
#endif
};

// Memory that is written over and over while the installer starts programs
// (the decoder's dictionary), taken as shared memory rather than private:
// under Wine, starting a program forks the installer's process, and a fork
// write-protects all of its private memory, so that a private block would
// fault page after page after every program start. A fork leaves shared
// memory writable. Zero-filled; released when it goes out of scope.
class SharedBlock {
public:
    // Data() is null when size is 0 or the memory cannot be had.
    explicit SharedBlock(size_t size);
    ~SharedBlock();
    SharedBlock(const SharedBlock&) = delete;
    SharedBlock& operator=(const SharedBlock&) = delete;

    uint8_t* Data() const { return data_; }
    size_t Size() const { return data_ ? size_ : 0; }

private:
    uint8_t* data_ = nullptr;
    size_t size_ = 0;
};

// One item of a folder listing.
struct ListedItem {
    std::string name;
    bool isFolder = false;
    // A symbolic link, junction or mount point (of a folder or a file): the
    // item itself, never what it leads to.
    bool isLink = false;
    // Marked read-only (on Windows; never elsewhere).
    bool isReadOnly = false;
};

// Lists folder + "\*": every item, "." and ".." included. Closed when it goes out of scope.
class FolderListing {
public:
    FolderListing() = default;
    ~FolderListing();
    FolderListing(const FolderListing&) = delete;
    FolderListing& operator=(const FolderListing&) = delete;

    bool Open(const std::string& folder);
    // Fills item with the next one; false at the end.
    bool Next(ListedItem& item);

private:
#ifdef _WIN32
    HANDLE find_ = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAA data_{};
    bool pending_ = false;
#else
    void* dir_ = nullptr;
    std::string folder_;
#endif
};

// True when path names an existing file or folder ("C:\dir\" exists when the folder does).
bool PathExists(const std::string& path);
// True when path names an existing folder.
bool IsFolder(const std::string& path);
bool MakeFolder(const std::string& path);
bool RemoveFolder(const std::string& path);
bool DeleteFilePath(const std::string& path);

// Links in folders that other programs can write. A link (symbolic link,
// junction or mount point) is never entered or followed by the tree
// operations: it is removed itself, or passed over.
// True when path (trailing separators ignored) is such a link itself.
bool IsLink(const std::string& path);
// Removes the link at path itself; what it leads to stays.
bool RemoveLink(const std::string& path);
// Clears the read-only and other attributes of the file at path, so that it
// can be deleted (Windows; nothing elsewhere). Never called on a link.
void MakeDeletable(const std::string& path);
// The name of the file that CreateReplacement makes beside targetPath.
std::string ReplacementPathOf(const std::string& targetPath);
bool ChangeFolder(const std::string& path);

#ifndef _WIN32
// The POSIX spelling of a narrow path: every "\" becomes "/".
std::string NativePath(const std::string& path);
#endif

#include "payload/fileio.h"

#include "win/path.h"

#include <winternl.h>

#include <cstdio>
#include <memory>

// The system's own read and write (ntdll).
extern "C" {
NTSTATUS NTAPI NtReadFile(HANDLE file, HANDLE event, PIO_APC_ROUTINE apc, PVOID apcContext, PIO_STATUS_BLOCK io,
                          PVOID buffer, ULONG length, PLARGE_INTEGER offset, PULONG key);
NTSTATUS NTAPI NtWriteFile(HANDLE file, HANDLE event, PIO_APC_ROUTINE apc, PVOID apcContext, PIO_STATUS_BLOCK io,
                           PVOID buffer, ULONG length, PLARGE_INTEGER offset, PULONG key);
}

File::~File() { Close(); }

bool File::OpenRead(const std::string& path)
{
    Close();
    foundNothing_ = false;
    // Sharing delete too: an exclusively created file (below) is held with
    // the right to delete it, and our own readers must still get in.
    handle_ = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle_ != INVALID_HANDLE_VALUE)
        return true;
    const DWORD error = GetLastError();
    foundNothing_ = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    return false;
}

bool File::OpenWrite(const std::string& path)
{
    Close();
    handle_ = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    return handle_ != INVALID_HANDLE_VALUE;
}

namespace {

using SetFileInformationByHandleFn = BOOL(WINAPI*)(HANDLE, FILE_INFO_BY_HANDLE_CLASS, LPVOID, DWORD);

// Windows Vista on; looked up so that the program still starts before it.
// Once, when the program starts: a lookup takes the loader's lock, which
// another thread may hold for long (loading a library whose start waits),
// and the files are made on threads that should not wait for it.
SetFileInformationByHandleFn LookUpSetFileInformationByHandle()
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    return kernel ? reinterpret_cast<SetFileInformationByHandleFn>(
                        reinterpret_cast<void*>(GetProcAddress(kernel, "SetFileInformationByHandle")))
                  : nullptr;
}

const SetFileInformationByHandleFn kSetFileInformationByHandle = LookUpSetFileInformationByHandle();

// Others may read the file; writing, renaming and deleting need sharing that
// is not given. CREATE_NEW never opens what is there, nor follows a link.
HANDLE CreateNewHeld(const std::string& path)
{
    return CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                       FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
}

// Gives the open file the name path, in place of whatever has it (a file, or
// a link: the link is replaced, not what it points to).
bool RenameOver(HANDLE file, const std::string& path, SetFileInformationByHandleFn setInformation)
{
    const int length = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
    if (length <= 0)
        return false;
    const size_t size = sizeof(FILE_RENAME_INFO) + static_cast<size_t>(length) * sizeof(wchar_t);
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[size]());
    FILE_RENAME_INFO* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.get());
    rename->ReplaceIfExists = TRUE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = static_cast<DWORD>(length - 1) * sizeof(wchar_t);
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, rename->FileName, length);
    return setInformation(file, FileRenameInfo, rename, static_cast<DWORD>(size)) != 0;
}

}  // namespace

bool File::CreateExclusive(const std::string& path)
{
    Close();
    SetFileInformationByHandleFn setInformation = kSetFileInformationByHandle;
    if (!setInformation) {
        // Before Vista: DeleteFileA removes a link itself, not what it points to.
        DeleteFileA(path.c_str());
        handle_ = CreateNewHeld(path);
        return handle_ != INVALID_HANDLE_VALUE;
    }
    // Made under a name of its own beside path, then renamed over whatever
    // has that name: nothing there is opened, deleted through a link or
    // written through one.
    for (DWORD attempt = 0; attempt < 8 && handle_ == INVALID_HANDLE_VALUE; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".~%lx-%lx", GetCurrentProcessId(), GetTickCount() + attempt);
        handle_ = CreateNewHeld(path + suffix);
    }
    if (handle_ == INVALID_HANDLE_VALUE)
        return false;
    if (!RenameOver(handle_, path, setInformation)) {
        Close();  // the file made goes with its handle
        return false;
    }
    return true;
}

std::string ReplacementPathOf(const std::string& targetPath) { return targetPath + ".~new"; }

namespace {

bool SetDeleteOnClose(HANDLE file, bool remove, SetFileInformationByHandleFn setInformation)
{
    FILE_DISPOSITION_INFO disposition;
    disposition.DeleteFile = remove ? TRUE : FALSE;
    return setInformation(file, FileDispositionInfo, &disposition, sizeof disposition) != 0;
}

}  // namespace

bool File::CreateReplacement(const std::string& targetPath)
{
    Close();
    // A read-only target is refused, as writing it would be.
    const DWORD attributes = GetFileAttributesA(targetPath.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        return false;
    replacesFile_ = attributes != INVALID_FILE_ATTRIBUTES;
    // A leftover of an earlier run, or a link planted under that name: the
    // name itself goes, and the new file is made anew, never opened through
    // a link.
    const std::string partial = ReplacementPathOf(targetPath);
    DeleteFileA(partial.c_str());
    handle_ = CreateFileA(partial.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                          FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle_ == INVALID_HANDLE_VALUE)
        return false;
    // Marked for deletion from the start: a run that ends on the way, even
    // killed, leaves nothing behind.
    if (SetFileInformationByHandleFn setInformation = kSetFileInformationByHandle)
        SetDeleteOnClose(handle_, true, setInformation);
    return true;
}

bool File::CommitReplacement(const std::string& targetPath)
{
    if (handle_ == INVALID_HANDLE_VALUE)
        return false;
    const std::string partial = ReplacementPathOf(targetPath);
    bool moved = false;
    if (!replacesFile_ || FlushFileBuffers(handle_)) {
        if (SetFileInformationByHandleFn setInformation = kSetFileInformationByHandle) {
            moved = SetDeleteOnClose(handle_, false, setInformation) && RenameOver(handle_, targetPath, setInformation);
            if (!moved)
                SetDeleteOnClose(handle_, true, setInformation);
        } else {
            CloseHandle(handle_);
            handle_ = INVALID_HANDLE_VALUE;
            moved = MoveFileExA(partial.c_str(), targetPath.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        }
    }
    if (handle_ != INVALID_HANDLE_VALUE) {
        CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }
    if (!moved)
        DeleteFileA(partial.c_str());
    return moved;
}

bool File::ReopenRead(const File& held)
{
    Close();
    if (held.handle_ == INVALID_HANDLE_VALUE)
        return false;
    // A second handle of the same file object: it cannot lead anywhere else.
    // Every access names its offset, so the two do not move each other.
    HANDLE copy = INVALID_HANDLE_VALUE;
    if (!DuplicateHandle(GetCurrentProcess(), held.handle_, GetCurrentProcess(), &copy, GENERIC_READ, FALSE, 0))
        return false;
    handle_ = copy;
    position_ = 0;
    return true;
}

bool File::Truncate()
{
    return Seek(0) && SetEndOfFile(handle_) != 0;
}

bool File::IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }

namespace {

using FileAccess = NTSTATUS(NTAPI*)(HANDLE, HANDLE, PIO_APC_ROUTINE, PVOID, PIO_STATUS_BLOCK, PVOID, ULONG,
                                    PLARGE_INTEGER, PULONG);

// Reads or writes size bytes of file at offset and waits for it (the handle
// is synchronous); how many were done, 0 on an error or at the end. This is
// what ReadFile and WriteFile with an OVERLAPPED do, except that they also
// pass the OVERLAPPED as the completion context, and under Wine every call
// with one costs a round trip to its server to queue a completion that no
// one waits for.
ULONG AccessAt(FileAccess access, HANDLE file, int64_t offset, void* buffer, ULONG size)
{
    IO_STATUS_BLOCK io = {};
    LARGE_INTEGER at;
    at.QuadPart = offset;
    const NTSTATUS status = access(file, nullptr, nullptr, nullptr, &io, buffer, size, &at, nullptr);
    return status >= 0 ? static_cast<ULONG>(io.Information) : 0;
}

}  // namespace

size_t File::Read(void* buffer, size_t size)
{
    size_t done = 0;
    while (handle_ != INVALID_HANDLE_VALUE && done < size) {
        DWORD want = static_cast<DWORD>(size - done > 0x40000000u ? 0x40000000u : size - done);
        const ULONG got = AccessAt(NtReadFile, handle_, position_, static_cast<char*>(buffer) + done, want);
        if (got == 0)
            break;
        done += got;
        position_ += got;
    }
    return done;
}

bool File::Write(const void* buffer, size_t size)
{
    size_t done = 0;
    while (handle_ != INVALID_HANDLE_VALUE && done < size) {
        DWORD want = static_cast<DWORD>(size - done > 0x40000000u ? 0x40000000u : size - done);
        const ULONG put =
            AccessAt(NtWriteFile, handle_, position_, const_cast<char*>(static_cast<const char*>(buffer)) + done, want);
        if (put == 0)
            return false;
        done += put;
        position_ += put;
    }
    return done == size;
}

bool File::Seek(int64_t pos)
{
    LARGE_INTEGER to;
    to.QuadPart = pos;
    if (handle_ == INVALID_HANDLE_VALUE || pos < 0 || !SetFilePointerEx(handle_, to, nullptr, FILE_BEGIN))
        return false;
    position_ = pos;
    return true;
}

int64_t File::Length()
{
    LARGE_INTEGER size;
    if (handle_ == INVALID_HANDLE_VALUE || !GetFileSizeEx(handle_, &size))
        return -1;
    return size.QuadPart;
}

bool File::Close()
{
    position_ = 0;
    if (handle_ == INVALID_HANDLE_VALUE)
        return false;
    BOOL ok = CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    return ok != 0;
}

FolderListing::~FolderListing()
{
    if (find_ != INVALID_HANDLE_VALUE)
        FindClose(find_);
}

bool FolderListing::Open(const std::string& folder)
{
    if (find_ != INVALID_HANDLE_VALUE)
        FindClose(find_);
    find_ = FindFirstFileA((folder + "\\*").c_str(), &data_);
    pending_ = find_ != INVALID_HANDLE_VALUE;
    return pending_;
}

bool FolderListing::Next(ListedItem& item)
{
    if (find_ == INVALID_HANDLE_VALUE)
        return false;
    if (!pending_ && !FindNextFileA(find_, &data_))
        return false;
    pending_ = false;
    item.name = data_.cFileName;
    item.isFolder = (data_.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    item.isLink = (data_.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    item.isReadOnly = (data_.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    return true;
}

namespace {
std::string WithoutTrailingSeparators(std::string path)
{
    // A last byte 0x5C may end a double-byte character: only a separator of its own goes.
    while (path.size() > 3 && FindLastSeparator(path, PathSeparators::BackslashOrSlash) == path.size() - 1)
        path.pop_back();
    return path;
}

DWORD AttributesOfItself(const std::string& path)
{
    // The listing reports the item itself, a link included, not its target.
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(WithoutTrailingSeparators(path).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return INVALID_FILE_ATTRIBUTES;
    FindClose(find);
    return data.dwFileAttributes;
}
}  // namespace

bool IsLink(const std::string& path)
{
    if (path.empty())
        return false;
    const DWORD attributes = AttributesOfItself(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

bool RemoveLink(const std::string& path)
{
    const DWORD attributes = path.empty() ? INVALID_FILE_ATTRIBUTES : AttributesOfItself(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return false;
    // Both remove the link itself, never what it leads to.
    const std::string link = WithoutTrailingSeparators(path);
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryA(link.c_str()) != 0 : DeleteFileA(link.c_str()) != 0;
}

void MakeDeletable(const std::string& path) { SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL); }

bool PathExists(const std::string& path)
{
    return !path.empty() && GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsFolder(const std::string& path)
{
    DWORD attributes = path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool MakeFolder(const std::string& path) { return CreateDirectoryA(path.c_str(), nullptr) != 0; }
bool RemoveFolder(const std::string& path) { return RemoveDirectoryA(path.c_str()) != 0; }
bool DeleteFilePath(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }
bool ChangeFolder(const std::string& path) { return SetCurrentDirectoryA(path.c_str()) != 0; }

SharedBlock::SharedBlock(size_t size) : size_(size)
{
    if (size == 0)
        return;
    // A section of the paging file without a name: no other program can open
    // it, and the view keeps it alive once its handle is closed.
    const uint64_t size64 = size;
    HANDLE section = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, static_cast<DWORD>(size64 >> 32),
                                       static_cast<DWORD>(size64), nullptr);
    if (!section)
        return;
    data_ = static_cast<uint8_t*>(MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, size));
    CloseHandle(section);
}

SharedBlock::~SharedBlock()
{
    if (data_)
        UnmapViewOfFile(data_);
}

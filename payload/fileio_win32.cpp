#include "fileio.h"

File::~File() { Close(); }

bool File::OpenRead(const std::string& path)
{
    Close();
    // Sharing delete too: an exclusively created file (below) is held with
    // the right to delete it, and our own readers must still get in.
    handle_ = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    return handle_ != INVALID_HANDLE_VALUE;
}

bool File::OpenWrite(const std::string& path)
{
    Close();
    handle_ = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    return handle_ != INVALID_HANDLE_VALUE;
}

bool File::CreateExclusive(const std::string& path)
{
    Close();
    // DeleteFileA removes a link itself, not what it points to.
    DeleteFileA(path.c_str());
    // Others may read it; writing, renaming and deleting need sharing that is
    // not given. CREATE_NEW never opens what is there (nor follows a link).
    handle_ = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                          FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    return handle_ != INVALID_HANDLE_VALUE;
}

bool File::Truncate()
{
    return Seek(0) && SetEndOfFile(handle_) != 0;
}

bool File::IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }

size_t File::Read(void* buffer, size_t size)
{
    size_t done = 0;
    while (handle_ != INVALID_HANDLE_VALUE && done < size) {
        DWORD want = static_cast<DWORD>(size - done > 0x40000000u ? 0x40000000u : size - done);
        DWORD got = 0;
        if (!ReadFile(handle_, static_cast<char*>(buffer) + done, want, &got, nullptr) || got == 0)
            break;
        done += got;
    }
    return done;
}

bool File::Write(const void* buffer, size_t size)
{
    size_t done = 0;
    while (handle_ != INVALID_HANDLE_VALUE && done < size) {
        DWORD want = static_cast<DWORD>(size - done > 0x40000000u ? 0x40000000u : size - done);
        DWORD put = 0;
        if (!WriteFile(handle_, static_cast<const char*>(buffer) + done, want, &put, nullptr) || put == 0)
            return false;
        done += put;
    }
    return done == size;
}

bool File::Seek(int64_t pos)
{
    LARGE_INTEGER to;
    to.QuadPart = pos;
    return handle_ != INVALID_HANDLE_VALUE && pos >= 0 &&
           SetFilePointerEx(handle_, to, nullptr, FILE_BEGIN) != 0;
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

bool FolderListing::Next(FolderItem& item)
{
    if (find_ == INVALID_HANDLE_VALUE)
        return false;
    if (!pending_ && !FindNextFileA(find_, &data_))
        return false;
    pending_ = false;
    item.name = data_.cFileName;
    item.isFolder = (data_.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return true;
}

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

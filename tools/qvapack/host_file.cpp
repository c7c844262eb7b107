#include "tools/qvapack/host_file.h"

#ifdef _WIN32
#include <windows.h>
#include <process.h>
#include "tools/qvapack/tool.h"
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

extern char** environ;
#endif

#ifdef _WIN32

namespace {

HANDLE AsHandle(void* h) { return static_cast<HANDLE>(h); }

std::string ErrorText(DWORD code)
{
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), reinterpret_cast<wchar_t*>(&text),
                   0, nullptr);
    std::wstring wide = text ? text : L"";
    if (text)
        LocalFree(text);
    while (!wide.empty() && (wide.back() == L'\n' || wide.back() == L'\r' || wide.back() == L'.'))
        wide.pop_back();
    if (wide.empty())
        return "error " + std::to_string(code);
    return WideToUtf8(wide);
}

}  // namespace

HostFile::~HostFile() { Close(); }

bool HostFile::OpenRead(const std::string& path)
{
    Close();
    handle_ = CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    return IsOpen();
}

bool HostFile::OpenWrite(const std::string& path, bool)
{
    Close();
    handle_ = CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                          CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    return IsOpen();
}

bool HostFile::IsOpen() const { return AsHandle(handle_) != INVALID_HANDLE_VALUE; }

size_t HostFile::Read(void* buffer, size_t size)
{
    size_t total = 0;
    while (IsOpen() && total < size) {
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(size - total > (1u << 30) ? (1u << 30) : size - total);
        if (!ReadFile(AsHandle(handle_), static_cast<char*>(buffer) + total, want, &got, nullptr) || got == 0)
            break;
        total += got;
    }
    return total;
}

bool HostFile::ReadAt(uint64_t offset, void* buffer, size_t size)
{
    LARGE_INTEGER here{}, zero{};
    if (!SetFilePointerEx(AsHandle(handle_), zero, &here, FILE_CURRENT) || !Seek(offset))
        return false;
    const bool ok = Read(buffer, size) == size;
    return Seek(static_cast<uint64_t>(here.QuadPart)) && ok;
}

bool HostFile::Write(const void* buffer, size_t size)
{
    size_t total = 0;
    while (IsOpen() && total < size) {
        DWORD put = 0;
        const DWORD want = static_cast<DWORD>(size - total > (1u << 30) ? (1u << 30) : size - total);
        if (!WriteFile(AsHandle(handle_), static_cast<const char*>(buffer) + total, want, &put, nullptr) || put == 0)
            return false;
        total += put;
    }
    return total == size;
}

bool HostFile::Seek(uint64_t pos)
{
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(pos);
    return IsOpen() && SetFilePointerEx(AsHandle(handle_), to, nullptr, FILE_BEGIN);
}

int64_t HostFile::Length()
{
    LARGE_INTEGER size;
    if (!IsOpen() || !GetFileSizeEx(AsHandle(handle_), &size))
        return -1;
    return size.QuadPart;
}

bool HostFile::Close()
{
    if (!IsOpen())
        return false;
    const bool ok = CloseHandle(AsHandle(handle_)) != 0;
    handle_ = INVALID_HANDLE_VALUE;
    return ok;
}

std::string LastHostError() { return ErrorText(GetLastError()); }

bool HostIsFolder(const std::string& path)
{
    const DWORD attributes = GetFileAttributesW(Utf8ToWide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool HostRemoveFile(const std::string& path) { return DeleteFileW(Utf8ToWide(path).c_str()) != 0; }

void HostMarkProgram(const std::string&) {}

bool HostRename(const std::string& from, const std::string& to)
{
    return MoveFileExW(Utf8ToWide(from).c_str(), Utf8ToWide(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

std::string HostProgramFolder()
{
    wchar_t path[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameW(nullptr, path, sizeof path / sizeof path[0]);
    if (length == 0 || length >= sizeof path / sizeof path[0])
        return "";
    std::wstring wide(path, length);
    const size_t slash = wide.find_last_of(L"\\/");
    return slash == std::wstring::npos ? "" : WideToUtf8(wide.substr(0, slash));
}

int HostRunQuiet(const std::vector<std::string>& argv)
{
    // The command line as the C runtime of the program parses it: each
    // argument quoted, backslashes before a quote doubled.
    std::wstring line;
    for (const std::string& arg : argv) {
        const std::wstring wide = Utf8ToWide(arg);
        if (!line.empty())
            line += L' ';
        line += L'"';
        size_t slashes = 0;
        for (wchar_t c : wide) {
            if (c == L'\\') {
                ++slashes;
            } else {
                if (c == L'"')
                    line.append(slashes + 1, L'\\');
                slashes = 0;
            }
            line += c;
        }
        line.append(slashes, L'\\');
        line += L'"';
    }
    HANDLE nul = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                             nullptr);
    if (nul != INVALID_HANDLE_VALUE)
        SetHandleInformation(nul, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = nul;
    startup.hStdError = nul;
    PROCESS_INFORMATION process{};
    std::vector<wchar_t> command(line.begin(), line.end());
    command.push_back(L'\0');
    const BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                        &startup, &process);
    if (nul != INVALID_HANDLE_VALUE)
        CloseHandle(nul);
    if (!started)
        return -1;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

#else

HostFile::~HostFile() { Close(); }

bool HostFile::OpenRead(const std::string& path)
{
    Close();
    fd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    return fd_ >= 0;
}

bool HostFile::OpenWrite(const std::string& path, bool program)
{
    Close();
    fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, program ? 0755 : 0644);
    return fd_ >= 0;
}

bool HostFile::IsOpen() const { return fd_ >= 0; }

size_t HostFile::Read(void* buffer, size_t size)
{
    size_t total = 0;
    while (fd_ >= 0 && total < size) {
        const ssize_t got = read(fd_, static_cast<char*>(buffer) + total, size - total);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        total += static_cast<size_t>(got);
    }
    return total;
}

bool HostFile::ReadAt(uint64_t offset, void* buffer, size_t size)
{
    size_t total = 0;
    while (fd_ >= 0 && total < size) {
        const ssize_t got = pread(fd_, static_cast<char*>(buffer) + total, size - total,
                                  static_cast<off_t>(offset + total));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        total += static_cast<size_t>(got);
    }
    return total == size;
}

bool HostFile::Write(const void* buffer, size_t size)
{
    size_t total = 0;
    while (fd_ >= 0 && total < size) {
        const ssize_t put = write(fd_, static_cast<const char*>(buffer) + total, size - total);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        total += static_cast<size_t>(put);
    }
    return total == size;
}

bool HostFile::Seek(uint64_t pos) { return fd_ >= 0 && lseek(fd_, static_cast<off_t>(pos), SEEK_SET) >= 0; }

int64_t HostFile::Length()
{
    struct stat st;
    if (fd_ < 0 || fstat(fd_, &st) != 0)
        return -1;
    return st.st_size;
}

bool HostFile::Close()
{
    if (fd_ < 0)
        return false;
    const int rc = close(fd_);
    fd_ = -1;
    return rc == 0;
}

std::string LastHostError() { return std::strerror(errno); }

bool HostIsFolder(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool HostRemoveFile(const std::string& path) { return unlink(path.c_str()) == 0; }

void HostMarkProgram(const std::string& path) { chmod(path.c_str(), 0755); }

bool HostRename(const std::string& from, const std::string& to) { return rename(from.c_str(), to.c_str()) == 0; }

std::string HostProgramFolder()
{
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return "";
    const std::string self(path, static_cast<size_t>(length));
    const size_t slash = self.rfind('/');
    return slash == std::string::npos ? "" : self.substr(0, slash);
}

int HostRunQuiet(const std::vector<std::string>& argv)
{
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return -1;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR)
            return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

#endif

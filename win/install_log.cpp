#include "win/install_log.h"

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <mutex>

#include <sys/stat.h>

#ifdef _WIN32
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

const char kInstallLogName[] = "TolvaneSetup.log";
const char kPreviousInstallLogName[] = "TolvaneSetup.old.log";

namespace {

struct Log {
    std::mutex lock;
    std::FILE* file = nullptr;
};

Log& TheLog()
{
    static Log log;
    return log;
}

// "2026-12-10 13:40:05.123"
std::string Now()
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const int millis =
        static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &seconds);
#else
    localtime_r(&seconds, &local);
#endif
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, millis);
    return text;
}

// Only a log file is ever moved or replaced: never a folder of that name,
// nor a link, which would move or replace what it leads to.
bool IsPlainFile(const std::string& path)
{
#ifdef _WIN32
    WIN32_FIND_DATAA data;
    HANDLE find = ::FindFirstFileA(path.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return false;
    ::FindClose(find);
    return !(data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
#else
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
#endif
}

// The temporary folder is the user's: another program may have put a link,
// or a hard link to some other file, under the log's name. Whatever has the
// name goes (a link itself, never what it leads to), and the log is a new
// file made there, never opened through a link.
std::FILE* CreateNewLogFile(const std::string& path)
{
#ifdef _WIN32
    ::DeleteFileA(path.c_str());
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return nullptr;
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_BINARY | _O_WRONLY);
    if (fd < 0) {
        ::CloseHandle(file);
        return nullptr;
    }
    std::FILE* stream = _fdopen(fd, "wb");
    if (!stream)
        _close(fd);
    return stream;
#else
    unlink(path.c_str());
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0)
        return nullptr;
    std::FILE* stream = fdopen(fd, "wb");
    if (!stream)
        close(fd);
    return stream;
#endif
}

void WriteLine(Log& log, const std::string& text)
{
    if (!log.file)
        return;
    std::fprintf(log.file, "%s  %s\r\n", Now().c_str(), text.c_str());
    std::fflush(log.file);
}

}  // namespace

void StartInstallLog(const std::string& folder, const std::string& commandLine, const char* mode)
{
    Log& log = TheLog();
    std::lock_guard<std::mutex> guard(log.lock);
    if (log.file || folder.empty())
        return;
    const std::string path = folder + kInstallLogName;
    const std::string previous = folder + kPreviousInstallLogName;
    if (IsPlainFile(path)) {
        if (IsPlainFile(previous))
            std::remove(previous.c_str());
        std::rename(path.c_str(), previous.c_str());
    }
    log.file = CreateNewLogFile(path);
    WriteLine(log, "TolvaneSetup: command line \"" + commandLine + "\", mode " + mode);
}

void LogLine(const char* format, ...)
{
    Log& log = TheLog();
    std::lock_guard<std::mutex> guard(log.lock);
    if (!log.file)
        return;
    char text[2048];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    WriteLine(log, text);
}

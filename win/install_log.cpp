#include "install_log.h"

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <mutex>

#include <sys/stat.h>

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

// Only a log file is ever moved or replaced, never a folder of that name.
bool IsPlainFile(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && (info.st_mode & S_IFMT) == S_IFREG;
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
    log.file = std::fopen(path.c_str(), "wb");
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

#include "child_process.h"

#include <psapi.h>

#include "payload/tree.h"
#include "win/path.h"

namespace {

constexpr DWORD kReadyTimeoutMs = 60000;

std::string Quote(const std::string& arg)
{
    return arg.find_first_of(" \t") == std::string::npos ? arg : "\"" + arg + "\"";
}

}  // namespace

std::string OwnFolder()
{
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

std::wstring Widen(const std::string& narrow)
{
    if (narrow.empty())
        return std::wstring();
    int length = ::MultiByteToWideChar(CP_ACP, 0, narrow.data(), static_cast<int>(narrow.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, narrow.data(), static_cast<int>(narrow.size()), &wide[0], length);
    return wide;
}

std::string Narrow(const std::wstring& wide)
{
    if (wide.empty())
        return std::string();
    int length = ::WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                       nullptr);
    std::string narrow(static_cast<size_t>(length), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), &narrow[0], length, nullptr,
                          nullptr);
    return narrow;
}

bool CopyProgram(const std::string& from, const std::string& to)
{
    const std::string parent = FolderWithSeparator(to);
    if (!parent.empty())
        MakeDirsFullPath(parent);
    return ::CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
}

ChildProcess::~ChildProcess()
{
    if (!process_)
        return;
    ::TerminateProcess(process_, 0);
    ::WaitForSingleObject(process_, 10000);
    ::CloseHandle(process_);
}

bool ChildProcess::Start(const std::string& program, std::vector<std::string> args, bool waitReady)
{
    TestEvent ready;
    if (waitReady)
        args.push_back("ready=" + ready.Name());
    std::string line = Quote(program);
    for (const std::string& arg : args)
        line += " " + Quote(arg);

    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!::CreateProcessA(program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return false;
    ::CloseHandle(info.hThread);
    process_ = info.hProcess;
    pid_ = info.dwProcessId;

    if (waitReady) {
        HANDLE waits[] = {process_, nullptr};
        waits[1] = ::OpenEventA(SYNCHRONIZE, FALSE, ready.Name().c_str());
        DWORD result = ::WaitForMultipleObjects(2, waits, FALSE, kReadyTimeoutMs);
        ::CloseHandle(waits[1]);
        return result == WAIT_OBJECT_0 + 1;
    }
    for (DWORD waited = 0; waited < kReadyTimeoutMs; waited += 50) {
        HMODULE first = nullptr;
        DWORD needed = 0;
        char path[MAX_PATH];
        if (::EnumProcessModules(process_, &first, sizeof(first), &needed) &&
            ::GetModuleFileNameExA(process_, first, path, MAX_PATH))
            return true;
        if (!Running())
            return true;  // it started, and has already ended
        ::Sleep(50);
    }
    return false;
}

bool ChildProcess::Running() const
{
    return process_ && ::WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

bool ChildProcess::WaitForExit(DWORD ms) const
{
    return process_ && ::WaitForSingleObject(process_, ms) == WAIT_OBJECT_0;
}

DWORD ChildProcess::ExitCode() const
{
    DWORD code = STILL_ACTIVE;
    if (process_)
        ::GetExitCodeProcess(process_, &code);
    return code;
}

TestEvent::TestEvent()
{
    static unsigned counter = 0;
    name_ = "ProcTestEvent_" + std::to_string(::GetCurrentProcessId()) + "_" + std::to_string(++counter);
    event_ = ::CreateEventA(nullptr, TRUE, FALSE, name_.c_str());
}

TestEvent::~TestEvent()
{
    if (event_)
        ::CloseHandle(event_);
}

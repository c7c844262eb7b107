// tolvane-stub: stands in for every program of the suite and its helpers.
//
// It appends one journal line (its program path, its command line, its
// working folder) and then either exits at once or, for the server-like
// programs, keeps running until it is stopped. Options for tests (the
// installer never passes them):
//   --stub-stay         keep running whatever the program's name
//   --stub-load=PATH    load the library PATH, then keep running
//   --stub-sleep=MS     run for MS milliseconds, then exit
//   --stub-exit=N       exit with code N (default 0)
// and, for programs whose command line is fixed by the installer, the
// environment variable TOLVANE_STUB_LINGER=NAME=MS: a stub whose file name is
// NAME (any case) runs for MS milliseconds before it exits.
#include <windows.h>
#include <shellapi.h>

#include <cwchar>
#include <string>

#include "journal.h"

namespace {

// Programs that run until they are stopped.
const wchar_t* const kServerNames[] = {
    L"Tolvane.exe",       L"TolvaneGUI.exe",          L"TolvaneUpdate.exe", L"TolvaneNews.exe",
    L"TolvaneNotice.exe", L"CommonOfdClientKelm.exe", L"SwOESServer.exe",   L"VOSKPdfClient.exe",
    L"KSecServ.exe",      L"KTPKIEgn.exe",
};

// The command line after the program's own name and the blanks that follow it.
std::wstring ArgumentText(const wchar_t* line)
{
    const wchar_t* p = line;
    if (*p == L'"') {
        ++p;
        while (*p && *p != L'"')
            ++p;
        if (*p == L'"')
            ++p;
    } else {
        while (*p && *p != L' ' && *p != L'\t')
            ++p;
    }
    while (*p == L' ' || *p == L'\t')
        ++p;
    return p;
}

std::wstring ModulePath()
{
    wchar_t buffer[32768];
    DWORD length = GetModuleFileNameW(nullptr, buffer, 32768);
    return std::wstring(buffer, length);
}

std::wstring BaseName(const std::wstring& path)
{
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

bool IsServerName(const std::wstring& name)
{
    for (const wchar_t* server : kServerNames)
        if (!lstrcmpiW(name.c_str(), server))
            return true;
    return false;
}

bool HasPrefix(const wchar_t* text, const wchar_t* prefix, const wchar_t** rest)
{
    size_t length = wcslen(prefix);
    if (wcsncmp(text, prefix, length))
        return false;
    *rest = text + length;
    return true;
}

[[noreturn]] void RunForever()
{
    for (;;)
        Sleep(1000);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    std::wstring path = ModulePath();
    AppendJournalLine(path, ArgumentText(GetCommandLineW()));

    bool stay = IsServerName(BaseName(path));
    int exitCode = 0;
    DWORD sleepMs = LingerMilliseconds(BaseName(path));
    std::wstring library;

    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    for (int i = 1; argv && i < argc; ++i) {
        const wchar_t* value = nullptr;
        if (!wcscmp(argv[i], L"--stub-stay"))
            stay = true;
        else if (HasPrefix(argv[i], L"--stub-load=", &value))
            library = value;
        else if (HasPrefix(argv[i], L"--stub-sleep=", &value))
            sleepMs = wcstoul(value, nullptr, 10);
        else if (HasPrefix(argv[i], L"--stub-exit=", &value))
            exitCode = _wtoi(value);
    }
    LocalFree(argv);

    if (!library.empty()) {
        if (!LoadLibraryW(library.c_str()))
            return 3;
        stay = true;
    }
    if (stay)
        RunForever();
    if (sleepMs)
        Sleep(sleepMs);
    return exitCode;
}

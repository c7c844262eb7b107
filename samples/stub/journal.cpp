#include "journal.h"

#include <windows.h>

#include <vector>

namespace {

std::string ToUtf8(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), nullptr, 0, nullptr, nullptr);
    std::string out(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), &out[0], size, nullptr, nullptr);
    return out;
}

std::wstring CurrentFolder()
{
    DWORD size = GetCurrentDirectoryW(0, nullptr);
    std::vector<wchar_t> buffer(size + 1);
    DWORD length = GetCurrentDirectoryW(size + 1, buffer.data());
    return std::wstring(buffer.data(), length);
}

// Tabs and line breaks inside a field would break the line format.
std::wstring Flatten(std::wstring text)
{
    for (wchar_t& c : text)
        if (c == L'\t' || c == L'\r' || c == L'\n')
            c = L' ';
    return text;
}

struct Handle {
    HANDLE h;
    ~Handle()
    {
        if (h && h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
    }
};

}  // namespace

std::wstring JournalPath()
{
    wchar_t buffer[1024];
    DWORD length = GetEnvironmentVariableW(L"TOLVANE_JOURNAL", buffer, 1024);
    if (length > 0 && length < 1024)
        return std::wstring(buffer, length);
    return L"C:\\tolvane-journal.txt";
}

void AppendJournalLine(const std::wstring& path, const std::wstring& commandLine)
{
    std::string line = ToUtf8(Flatten(path)) + "\t" + ToUtf8(Flatten(commandLine)) + "\t" +
                       ToUtf8(Flatten(CurrentFolder())) + "\n";

    Handle mutex{CreateMutexW(nullptr, FALSE, L"TolvaneStubJournal")};
    if (mutex.h)
        WaitForSingleObject(mutex.h, 10000);
    {
        Handle file{CreateFileW(JournalPath().c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)};
        if (file.h != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(file.h, line.data(), (DWORD)line.size(), &written, nullptr);
        }
    }
    if (mutex.h)
        ReleaseMutex(mutex.h);
}

DWORD LingerMilliseconds(const std::wstring& fileName)
{
    wchar_t value[512];
    DWORD length = GetEnvironmentVariableW(L"TOLVANE_STUB_LINGER", value, 512);
    if (length == 0 || length >= 512)
        return 0;
    std::wstring text(value, length);
    size_t equals = text.rfind(L'=');
    if (equals == std::wstring::npos || lstrcmpiW(text.substr(0, equals).c_str(), fileName.c_str()))
        return 0;
    return wcstoul(text.c_str() + equals + 1, nullptr, 10);
}

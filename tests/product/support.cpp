#include "support.h"

#include "win/reg_key.h"
#include "win/shell_folder.h"

#include <fstream>
#include <sstream>

namespace product_test {

std::string ScratchFolder(const std::string& name)
{
    std::string folder = GetTempFolder() + name + "\\";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

void WriteFile(const std::string& path, const std::string& content)
{
    std::ofstream(path, std::ios::binary) << content;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

bool Exists(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool ExistsWide(const std::wstring& path)
{
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring Wide(const std::string& narrow)
{
    int n = ::MultiByteToWideChar(CP_ACP, 0, narrow.c_str(), -1, nullptr, 0);
    std::wstring wide(n > 0 ? n - 1 : 0, L'\0');
    if (n > 1)
        ::MultiByteToWideChar(CP_ACP, 0, narrow.c_str(), -1, &wide[0], n);
    return wide;
}

std::string Utf8(const std::wstring& wide)
{
    int n = ::WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string text(n > 0 ? n - 1 : 0, '\0');
    if (n > 1)
        ::WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, &text[0], n, nullptr, nullptr);
    return text;
}

StoredValue ReadValue(HKEY root, const std::string& key, const char* name, REGSAM view)
{
    StoredValue value;
    RegKey opened;
    if (opened.Open(root, key.c_str(), KEY_READ | view) != ERROR_SUCCESS)
        return value;
    DWORD size = 0;
    if (::RegQueryValueExA(opened.Get(), name, nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS)
        return value;
    std::string bytes(size + 1, '\0');
    ::RegQueryValueExA(opened.Get(), name, nullptr, &value.type, reinterpret_cast<BYTE*>(&bytes[0]), &size);
    value.present = true;
    value.length = size;
    value.text = bytes.c_str();
    return value;
}

bool KeyExists(HKEY root, const std::string& key, REGSAM view)
{
    RegKey opened;
    return opened.Open(root, key.c_str(), KEY_READ | view) == ERROR_SUCCESS;
}

void SetValue(HKEY root, const std::string& key, const char* name, const std::string& data)
{
    RegKey opened;
    if (opened.Create(root, key.c_str()) == ERROR_SUCCESS)
        opened.SetString(name, data);
}

std::string StubProgram()
{
    std::string path = TOLVANE_STUB_EXE;
    if (!path.empty() && path[0] == '/') {
        // A host path: the prefix maps the root of the host file system to Z:.
        for (char& c : path)
            if (c == '/')
                c = '\\';
        path = "Z:" + path;
    }
    return path;
}

std::string UseFreshJournal()
{
    std::string journal = GetTempFolder() + "product-journal.txt";
    ::DeleteFileA(journal.c_str());
    ::SetEnvironmentVariableA("TOLVANE_JOURNAL", journal.c_str());
    return journal;
}

std::vector<JournalEntry> ReadJournal()
{
    char path[MAX_PATH] = {};
    ::GetEnvironmentVariableA("TOLVANE_JOURNAL", path, MAX_PATH);
    std::string text = ReadFile(path);
    std::vector<JournalEntry> entries;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::wstring wide;
        int n = ::MultiByteToWideChar(CP_UTF8, 0, line.c_str(), -1, nullptr, 0);
        wide.resize(n > 0 ? n - 1 : 0);
        if (n > 1)
            ::MultiByteToWideChar(CP_UTF8, 0, line.c_str(), -1, &wide[0], n);
        JournalEntry entry;
        size_t tab1 = wide.find(L'\t');
        size_t tab2 = tab1 == std::wstring::npos ? tab1 : wide.find(L'\t', tab1 + 1);
        if (tab2 == std::wstring::npos)
            continue;
        entry.program = wide.substr(0, tab1);
        entry.commandLine = wide.substr(tab1 + 1, tab2 - tab1 - 1);
        entry.folder = wide.substr(tab2 + 1);
        entries.push_back(entry);
    }
    return entries;
}

std::vector<JournalEntry> WaitForJournal(size_t count, DWORD timeoutMs)
{
    DWORD start = ::GetTickCount();
    std::vector<JournalEntry> entries = ReadJournal();
    while (entries.size() < count && ::GetTickCount() - start < timeoutMs) {
        ::Sleep(100);
        entries = ReadJournal();
    }
    return entries;
}

}  // namespace product_test

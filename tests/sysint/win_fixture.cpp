#include "win_fixture.h"

#include <shlobj.h>
#include <tlhelp32.h>

namespace fixture {

std::wstring StubProgram()
{
    return ui::WindowsPathOfHost(TOLVANE_STUB_EXE);
}

std::wstring StubLibrary()
{
    return ui::WindowsPathOfHost(TOLVANE_STUBCTL_DLL);
}

std::wstring SamplePayloadSetup()
{
    return ui::WindowsPathOfHost(TOLVANE_SAMPLE_PAYLOAD "/setupdir");
}

std::wstring ShellFolder(int csidl)
{
    wchar_t buffer[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer);
    return buffer;
}

std::wstring FreshFolder(const std::wstring& name)
{
    std::wstring folder = setup::TempFolder() + name;
    SHFILEOPSTRUCTW remove = {};
    std::wstring from = folder + L'\0';
    remove.wFunc = FO_DELETE;
    remove.pFrom = from.c_str();
    remove.fFlags = FOF_NO_UI;
    SHFileOperationW(&remove);
    SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    return folder;
}

bool CopyTo(const std::wstring& source, const std::wstring& target)
{
    std::wstring folder = target.substr(0, target.find_last_of(L'\\'));
    SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    return CopyFileW(source.c_str(), target.c_str(), FALSE) != FALSE;
}

bool PlaceFile(const std::wstring& path, const std::string& content)
{
    std::wstring folder = path.substr(0, path.find_last_of(L'\\'));
    SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
    return written == content.size();
}

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

namespace {

constexpr REGSAM kViews[] = {KEY_WOW64_64KEY, KEY_WOW64_32KEY};

}  // namespace

bool KeyExistsInAnyView(HKEY root, const std::wstring& subKey)
{
    for (REGSAM view : kViews) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(root, subKey.c_str(), 0, KEY_READ | view, &key) == ERROR_SUCCESS) {
            RegCloseKey(key);
            return true;
        }
    }
    return false;
}

bool ReadStringInAnyView(HKEY root, const std::wstring& subKey, const std::wstring& name, std::wstring& value)
{
    for (REGSAM view : kViews) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(root, subKey.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS)
            continue;
        wchar_t data[1024] = {};
        DWORD size = sizeof data - sizeof(wchar_t), type = 0;
        LONG result = RegQueryValueExW(key, name.empty() ? nullptr : name.c_str(), nullptr, &type,
                                       reinterpret_cast<BYTE*>(data), &size);
        RegCloseKey(key);
        if (result == ERROR_SUCCESS && type == REG_SZ) {
            value = data;
            return true;
        }
    }
    return false;
}

bool CreateKeyWithSubKey(HKEY root, const std::wstring& subKey)
{
    for (const std::wstring& path : {subKey, subKey + L"\\子项"}) {
        HKEY key = nullptr;
        if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
            ERROR_SUCCESS)
            return false;
        const wchar_t data[] = L"旧值";
        RegSetValueExW(key, L"名称", 0, REG_SZ, reinterpret_cast<const BYTE*>(data), sizeof data);
        RegCloseKey(key);
    }
    return true;
}

namespace {

template <class Visit>
void ForEachProcess(const std::wstring& imageName, Visit visit)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        if (!lstrcmpiW(entry.szExeFile, imageName.c_str()))
            visit(entry.th32ProcessID);
    CloseHandle(snapshot);
}

}  // namespace

int CountProcesses(const std::wstring& imageName)
{
    int count = 0;
    ForEachProcess(imageName, [&](DWORD) { ++count; });
    return count;
}

void EndProcesses(const std::wstring& imageName)
{
    ForEachProcess(imageName, [](DWORD pid) {
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
        if (process) {
            TerminateProcess(process, 0);
            WaitForSingleObject(process, 5000);
            CloseHandle(process);
        }
    });
}

std::vector<setup::JournalLine> JournalOf(const std::wstring& program)
{
    std::vector<setup::JournalLine> lines;
    for (const setup::JournalLine& line : setup::ReadJournal())
        if (!lstrcmpiW(line.program.c_str(), program.c_str()))
            lines.push_back(line);
    return lines;
}

DWORD Since(DWORD start)
{
    return GetTickCount() - start;
}

}  // namespace fixture

#include "footprint.h"

#include "setup_window.h"
#include "ui_driver.h"

#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>

namespace footprint {
namespace {

const wchar_t kProduct[] = L"Halvor\u6570\u5b57\u8bc1\u4e66\u548c\u7535\u5b50\u7b7e\u7ae0\u5ba2\u6237\u7aef";

std::wstring ShellFolder(int csidl)
{
    wchar_t buffer[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer);
    return buffer;
}

long long SizeOf(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::string SizeText(long long size)
{
    return size < 0 ? "missing" : std::to_string(size);
}

WORD MachineOf(const std::wstring& program)
{
    std::ifstream in(program.c_str(), std::ios::binary);
    IMAGE_DOS_HEADER dos = {};
    in.read(reinterpret_cast<char*>(&dos), sizeof dos);
    if (!in || dos.e_magic != IMAGE_DOS_SIGNATURE)
        return 0;
    in.seekg(dos.e_lfanew + 4);
    WORD machine = 0;
    in.read(reinterpret_cast<char*>(&machine), sizeof machine);
    return in ? machine : 0;
}

bool Windows64()
{
#ifdef _WIN64
    return true;
#else
    BOOL wow = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow);
    return wow != FALSE;
#endif
}

std::string TypeName(DWORD type)
{
    switch (type) {
    case REG_SZ:
        return "REG_SZ";
    case REG_EXPAND_SZ:
        return "REG_EXPAND_SZ";
    case REG_DWORD:
        return "REG_DWORD";
    case REG_BINARY:
        return "REG_BINARY";
    case REG_MULTI_SZ:
        return "REG_MULTI_SZ";
    }
    return "type " + std::to_string(type);
}

std::string ValueLine(const std::wstring& name, const Value& value)
{
    std::string line = "\"" + ui::Utf8(name.empty() ? L"(default)" : name) + "\" " + TypeName(value.type) + " ";
    if (value.type == REG_SZ || value.type == REG_EXPAND_SZ) {
        line += "\"" + ui::Utf8(value.text) + "\"";
        if (value.bytes != (value.text.size() + 1) * sizeof(wchar_t))
            line += " (stored without its terminating zero)";
    } else if (value.type == REG_DWORD) {
        line += std::to_string(*reinterpret_cast<const DWORD*>(value.text.data()));
    } else {
        line += std::to_string(value.bytes) + " bytes";
    }
    return line;
}

// Every value of root\key and of the keys below it, keys in their order.
void DumpKey(HKEY root, const std::wstring& rootName, const std::wstring& key, REGSAM view,
             std::vector<std::string>& lines)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ | view, &opened) != ERROR_SUCCESS)
        return;
    lines.push_back(ui::Utf8(rootName + L"\\" + key));
    for (DWORD i = 0;; ++i) {
        wchar_t name[16384];
        DWORD length = 16384;
        if (RegEnumValueW(opened, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        lines.push_back("  " + ValueLine(name, ReadValue(root, key, name, view)));
    }
    std::vector<std::wstring> subKeys;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD length = 256;
        if (RegEnumKeyExW(opened, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        subKeys.push_back(name);
    }
    RegCloseKey(opened);
    for (const std::wstring& sub : subKeys)
        DumpKey(root, rootName, key + L"\\" + sub, view, lines);
}

void AddLinks(const std::wstring& folder, const std::vector<std::wstring>& names, std::vector<std::string>& lines)
{
    for (const std::wstring& name : names) {
        std::wstring path = folder + L"\\" + name;
        if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
            continue;
        Link link = ReadLink(path);
        lines.push_back(ui::Utf8(path) + " -> " + ui::Utf8(link.target) + "  [in " + ui::Utf8(link.folder) + "]" +
                        (link.arguments.empty() ? "" : "  arguments " + ui::Utf8(link.arguments)));
    }
}

std::vector<std::wstring> FileNames(const std::wstring& folder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(data.cFileName);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return names;
}

}  // namespace

InstallerPlaces PlacesOf(const std::wstring& program)
{
    InstallerPlaces places;
    places.is32BitOn64 = MachineOf(program) == IMAGE_FILE_MACHINE_I386 && Windows64();
    wchar_t buffer[MAX_PATH] = {};
    if (places.is32BitOn64) {
        places.installFolder = ShellFolder(CSIDL_PROGRAM_FILESX86) + L"\\TolvaneKelm\\";
        GetSystemWow64DirectoryW(buffer, MAX_PATH);
        places.view = KEY_WOW64_32KEY;
    } else {
        // The installer's bitness is Windows' own.
        std::wstring programFiles = ShellFolder(CSIDL_PROGRAM_FILES);
#ifndef _WIN64
        if (Windows64()) {
            // A 32-bit driver looking at a 64-bit installer.
            wchar_t value[MAX_PATH] = {};
            GetEnvironmentVariableW(L"ProgramW6432", value, MAX_PATH);
            programFiles = value;
        }
#endif
        places.installFolder = programFiles + L"\\TolvaneKelm\\";
        GetSystemDirectoryW(buffer, MAX_PATH);
        places.view = KEY_WOW64_64KEY;
    }
    places.systemFolder = std::wstring(buffer) + L"\\";
    return places;
}

Value ReadValue(HKEY root, const std::wstring& key, const wchar_t* name, REGSAM view)
{
    Value value;
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ | view, &opened) != ERROR_SUCCESS)
        return value;
    DWORD size = 0;
    if (RegQueryValueExW(opened, name, nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
        std::wstring data(size / sizeof(wchar_t) + 2, L'\0');
        if (RegQueryValueExW(opened, name, nullptr, &value.type, reinterpret_cast<BYTE*>(&data[0]), &size) ==
            ERROR_SUCCESS) {
            value.present = true;
            value.bytes = size;
            if (value.type == REG_SZ || value.type == REG_EXPAND_SZ)
                value.text = data.c_str();
            else
                value.text = data;
        }
    }
    RegCloseKey(opened);
    return value;
}

Link ReadLink(const std::wstring& path)
{
    Link info;
    HRESULT init = CoInitialize(nullptr);
    IShellLinkW* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            if (SUCCEEDED(file->Load(path.c_str(), STGM_READ))) {
                wchar_t text[MAX_PATH * 2] = {};
                link->GetPath(text, MAX_PATH * 2, nullptr, 0);
                info.target = text;
                text[0] = 0;
                link->GetWorkingDirectory(text, MAX_PATH * 2);
                info.folder = text;
                text[0] = 0;
                link->GetArguments(text, MAX_PATH * 2);
                info.arguments = text;
                info.read = true;
            }
            file->Release();
        }
        link->Release();
    }
    if (SUCCEEDED(init))
        CoUninitialize();
    return info;
}

std::wstring InstallLogPath()
{
    return setup::TempFolder() + L"TolvaneSetup.log";
}

std::wstring PreviousInstallLogPath()
{
    return setup::TempFolder() + L"TolvaneSetup.old.log";
}

std::vector<Section> Collect(const InstallerPlaces& places)
{
    std::vector<Section> sections;

    Section install{"installation folder " + ui::Utf8(places.installFolder), {}};
    std::map<std::wstring, std::wstring> files;
    ui::ListFiles(places.installFolder, L"", files);
    for (const auto& file : files)
        install.lines.push_back(ui::Utf8(file.first) + "  " + SizeText(SizeOf(file.second)));
    sections.push_back(install);

    // The system container's files, as the installation folder's
    // "sysdir.hash" names them: 292-byte records, a zero-padded name of 260
    // bytes (code page 936) and a digest.
    Section system{"system folder " + ui::Utf8(places.systemFolder) + ", files of the system container", {}};
    std::ifstream hash((places.installFolder + L"sysdir.hash").c_str(), std::ios::binary);
    char record[292];
    while (hash.read(record, sizeof record)) {
        std::string name(record, strnlen(record, 260));
        for (char& c : name)
            if (c == '/')
                c = '\\';
        std::wstring wideRel = ui::FromAnsi(name);
        system.lines.push_back(ui::Utf8(wideRel) + "  " + SizeText(SizeOf(places.systemFolder + wideRel)));
    }
    if (system.lines.empty())
        system.lines.push_back("(no sysdir.hash in the installation folder)");
    sections.push_back(system);

    Section links{"shortcuts", {}};
    AddLinks(ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY), FileNames(ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY)),
             links.lines);
    std::wstring group = ShellFolder(CSIDL_COMMON_PROGRAMS) + L"\\" + kProduct;
    AddLinks(group, FileNames(group), links.lines);
    sections.push_back(links);

    Section registry{std::string("registry (") + (places.view == KEY_WOW64_32KEY ? "32-bit" : "64-bit") + " view)",
                     {}};
    const struct {
        HKEY root;
        const wchar_t* rootName;
        std::wstring key;
    } keys[] = {
        {HKEY_LOCAL_MACHINE, L"HKEY_LOCAL_MACHINE",
         std::wstring(L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + kProduct},
        {HKEY_CLASSES_ROOT, L"HKEY_CLASSES_ROOT", L".pdf"},
        {HKEY_CLASSES_ROOT, L"HKEY_CLASSES_ROOT", L".edc"},
        {HKEY_CURRENT_USER, L"HKEY_CURRENT_USER", L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.pdf"},
        {HKEY_CURRENT_USER, L"HKEY_CURRENT_USER", L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.edc"},
    };
    for (const auto& key : keys)
        DumpKey(key.root, key.rootName, key.key, places.view, registry.lines);
    const std::wstring run = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
    registry.lines.push_back(ui::Utf8(L"HKEY_LOCAL_MACHINE\\" + run) + " (the installer's values)");
    for (const wchar_t* name : {L"TolvaneKelm_Tolvane", L"TolvaneKelm_SwOESServer"}) {
        Value value = ReadValue(HKEY_LOCAL_MACHINE, run, name, places.view);
        registry.lines.push_back("  " + (value.present ? ValueLine(name, value) : "\"" + ui::Utf8(name) + "\" missing"));
    }
    sections.push_back(registry);

    Section path{"search path (HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment)",
                 {}};
    Value searchPath = ReadValue(HKEY_LOCAL_MACHINE,
                                 L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment", L"Path",
                                 places.view);
    path.lines.push_back(searchPath.present ? ValueLine(L"Path", searchPath) : "\"Path\" missing");
    sections.push_back(path);

    Section documents{"Documents folder " + ui::Utf8(ShellFolder(CSIDL_PERSONAL)), {}};
    for (const wchar_t* name : {L"StampServerPDFIP.cfg", L"StampServerPDFPort.cfg", L"StampServerPDFObjName.cfg"})
        documents.lines.push_back(ui::Utf8(name) + "  " + SizeText(SizeOf(ShellFolder(CSIDL_PERSONAL) + L"\\" + name)));
    sections.push_back(documents);
    return sections;
}

std::string Text(const std::vector<Section>& sections)
{
    std::string text;
    for (const Section& section : sections) {
        text += section.title + ":\n";
        for (const std::string& line : section.lines)
            text += "  " + line + "\n";
    }
    return text;
}

}  // namespace footprint

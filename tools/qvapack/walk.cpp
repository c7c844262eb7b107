#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <sys/stat.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "tools/qvapack/host_file.h"
#include "tools/qvapack/tool.h"
#include "payload/entry.h"
#include "win/path.h"

namespace {

// One item of a folder: its name on this machine (UTF-8) and in code page 936.
struct Item {
    std::string hostName;
    std::string name936;
    bool convertible = true;
    bool isFolder = false;
    uint64_t size = 0;
};

#ifdef _WIN32

// Windows gives the names in UTF-16; each is stored in code page 936.
bool ListFolder(const std::string& hostFolder, std::vector<Item>& items)
{
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((Utf8ToWide(hostFolder) + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return Fail(hostFolder, LastHostError()) == 0;
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
            continue;  // links and junctions are not payload
        Item item;
        item.hostName = WideToUtf8(name);
        item.convertible = WideToCp936(name, item.name936);
        item.isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        item.size = static_cast<uint64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
        items.push_back(item);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return true;
}

#else

bool ListFolder(const std::string& hostFolder, std::vector<Item>& items)
{
    DIR* dir = opendir(hostFolder.c_str());
    if (!dir)
        return Fail(hostFolder, std::strerror(errno)) == 0;
    std::vector<std::string> names;
    while (struct dirent* entry = readdir(dir))
        if (std::strcmp(entry->d_name, ".") && std::strcmp(entry->d_name, ".."))
            names.push_back(entry->d_name);
    closedir(dir);
    for (const std::string& name : names) {
        const std::string hostPath = hostFolder + "/" + name;
        struct stat st;
        if (lstat(hostPath.c_str(), &st) != 0)
            return Fail(hostPath, std::strerror(errno)) == 0;
        if (!S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode))
            continue;  // links, devices and the like are not payload
        Item item;
        item.hostName = name;
        item.convertible = Utf8ToCp936(name, item.name936);
        item.isFolder = S_ISDIR(st.st_mode);
        item.size = static_cast<uint64_t>(st.st_size);
        items.push_back(item);
    }
    return true;
}

#endif

bool WalkInto(const std::string& hostFolder, const std::string& prefix936, std::vector<WalkedFile>& files)
{
    std::vector<Item> items;
    if (!ListFolder(hostFolder, items))
        return false;
    for (const Item& item : items) {
        const std::string hostPath = hostFolder + "/" + item.hostName;
        if (!item.convertible)
            return Fail(hostPath, "name cannot be written in code page 936") == 0;
        if (FindNextSeparator(item.name936, 0) != std::string::npos)
            return Fail(hostPath, "name contains a backslash") == 0;
        if (!IsValidWindowsName(item.name936))
            return Fail(hostPath, "name is not valid on Windows (a device name, a trailing dot or blank, "
                                  "or a character Windows refuses)") == 0;
        const std::string rel = prefix936.empty() ? item.name936 : prefix936 + "\\" + item.name936;
        if (item.isFolder) {
            if (!WalkInto(hostPath, rel, files))
                return false;
        } else {
            files.push_back({hostPath, rel, item.size});
        }
    }
    return true;
}

}  // namespace

bool WalkFolder(const std::string& folder, std::vector<WalkedFile>& files)
{
    files.clear();
    if (!HostIsFolder(folder)) {
        HostFile file;
        return Fail(folder, file.OpenRead(folder) ? "not a folder" : LastHostError()) == 0;
    }
    if (!WalkInto(folder, "", files))
        return false;
    std::sort(files.begin(), files.end(),
              [](const WalkedFile& a, const WalkedFile& b) { return a.name < b.name; });
    return true;
}

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "tools/qvapack/tool.h"
#include "payload/entry.h"
#include "win/path.h"

namespace {

bool WalkInto(const std::string& hostFolder, const std::string& prefix936, std::vector<WalkedFile>& files)
{
    DIR* dir = opendir(hostFolder.c_str());
    if (!dir)
        return Fail(hostFolder, std::strerror(errno)) == 0;
    std::vector<std::string> names;
    while (struct dirent* item = readdir(dir))
        if (std::strcmp(item->d_name, ".") && std::strcmp(item->d_name, ".."))
            names.push_back(item->d_name);
    closedir(dir);

    for (const std::string& name : names) {
        const std::string hostPath = hostFolder + "/" + name;
        struct stat st;
        if (lstat(hostPath.c_str(), &st) != 0)
            return Fail(hostPath, std::strerror(errno)) == 0;
        if (!S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode))
            continue;  // links, devices and the like are not payload
        std::string name936;
        if (!Utf8ToCp936(name, name936))
            return Fail(hostPath, "name cannot be written in code page 936") == 0;
        if (FindNextSeparator(name936, 0) != std::string::npos)
            return Fail(hostPath, "name contains a backslash") == 0;
        if (!IsValidWindowsName(name936))
            return Fail(hostPath, "name is not valid on Windows (a device name, a trailing dot or blank, "
                                  "or a character Windows refuses)") == 0;
        const std::string rel = prefix936.empty() ? name936 : prefix936 + "\\" + name936;
        if (S_ISDIR(st.st_mode)) {
            if (!WalkInto(hostPath, rel, files))
                return false;
        } else {
            files.push_back({hostPath, rel, static_cast<uint64_t>(st.st_size)});
        }
    }
    return true;
}

}  // namespace

bool WalkFolder(const std::string& folder, std::vector<WalkedFile>& files)
{
    files.clear();
    struct stat st;
    if (stat(folder.c_str(), &st) != 0)
        return Fail(folder, std::strerror(errno)) == 0;
    if (!S_ISDIR(st.st_mode))
        return Fail(folder, "not a folder") == 0;
    if (!WalkInto(folder, "", files))
        return false;
    std::sort(files.begin(), files.end(),
              [](const WalkedFile& a, const WalkedFile& b) { return a.name < b.name; });
    return true;
}

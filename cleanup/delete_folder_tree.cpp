#include "removal.h"

#include "win/handle.h"

#include <windows.h>

namespace {

bool IsDotEntry(const char* name)
{
    return (name[0] == '.' && name[1] == '\0') || (name[0] == '.' && name[1] == '.' && name[2] == '\0');
}

}  // namespace

void DeleteFolderTree(const std::string& folderPath)
{
    if (folderPath.empty()) {
        ::RemoveDirectoryA(folderPath.c_str());
        return;
    }
    {
        WIN32_FIND_DATAA entry;
        FindHandle find(::FindFirstFileA((folderPath + "\\*").c_str(), &entry));
        if (find) {
            do {
                if (IsDotEntry(entry.cFileName))
                    continue;
                const std::string path = folderPath + "\\" + entry.cFileName;
                const bool isFolder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
                if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
                    // A junction or symbolic link: only the link goes.
                    if (isFolder)
                        ::RemoveDirectoryA(path.c_str());
                    else
                        ::DeleteFileA(path.c_str());
                    continue;
                }
                ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                if (isFolder)
                    DeleteFolderTree(path);
                else
                    ::DeleteFileA(path.c_str());
            } while (::FindNextFileA(find.Get(), &entry));
        }
    }
    ::RemoveDirectoryA(folderPath.c_str());
}

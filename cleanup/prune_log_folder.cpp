#include "cleanup/removal.h"

#include "payload/fileio.h"
#include "win/handle.h"
#include "win/shell_folder.h"

#include <windows.h>
#include <shlobj.h>

void PruneLogFolder()
{
    const std::string documents = GetFolderPath(CSIDL_PERSONAL);
    if (!::SetCurrentDirectoryA(documents.c_str()))
        return;
    const std::string logFolder = documents + "\\TolvaneKelmLog";
    // Documents is the user's: a link in place of the log folder is never
    // entered, so no other folder's files are touched.
    if (IsLink(logFolder) || !::SetCurrentDirectoryA(logFolder.c_str()))
        return;
    ::SetFileAttributesA(logFolder.c_str(), FILE_ATTRIBUTE_HIDDEN);

    WIN32_FIND_DATAA entry;
    FindHandle find(::FindFirstFileA((logFolder + "\\*").c_str(), &entry));
    if (!find)
        return;
    do {
        const std::string name = entry.cFileName;
        if (name == "." || name == "..")
            continue;
        const std::string path = logFolder + "\\" + name;
        // Neither the attributes nor the file of a link's target are touched.
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
            continue;
        ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        // Record files stay.
        if (path.find(".rec") != std::string::npos)
            continue;
        ::DeleteFileA(path.c_str());
    } while (::FindNextFileA(find.Get(), &entry));
}

#include "cleanup/removal.h"

#include "payload/fileio.h"
#include "payload/tree.h"
#include "win/handle.h"
#include "win/install_log.h"
#include "win/path.h"
#include "win/shell_folder.h"

#include <windows.h>
#include <shlobj.h>

namespace {

// In the order they are deleted.
constexpr const char* NewsHistoryFiles[] = {"TolvaneFirstNewsHistory", "TolvaneNewsHistory", "TolvaneNoticeHistory"};

}  // namespace

void LogRemoval(const char* what, const std::string& name, unsigned long error)
{
    if (error == ERROR_SUCCESS)
        LogLine("cleanup: %s deleted: %s", what, name.c_str());
    else if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
        LogLine("cleanup: %s not there: %s", what, name.c_str());
    else
        LogLine("cleanup: %s not deleted: %s (error %lu)", what, name.c_str(), error);
}

void DeleteFileLogged(const std::string& path)
{
    LogRemoval("file", path, ::DeleteFileA(path.c_str()) ? ERROR_SUCCESS : ::GetLastError());
}

void DeleteFolderTree(const std::string& folderPath)
{
    if (!PathExists(folderPath)) {
        LogRemoval("folder", folderPath, ERROR_FILE_NOT_FOUND);
        return;
    }
    DeleteTree(folderPath, ReadOnlyFiles::Deleted);
    // What could not be deleted keeps the folder.
    LogRemoval("folder", folderPath, PathExists(folderPath) ? ERROR_DIR_NOT_EMPTY : ERROR_SUCCESS);
}

void DeleteCommonDesktopFile(const std::string& fileName)
{
    const std::string desktop = GetSpecialFolderPath(CSIDL_COMMON_DESKTOPDIRECTORY);
    // Without the desktop's path the name would be taken from the drive's root.
    if (desktop.empty())
        return;
    DeleteFileLogged(JoinPath(desktop, fileName));
}

void DeleteNewsHistory()
{
    const std::string documents = GetFolderPath(CSIDL_PERSONAL);
    if (documents.empty())
        return;
    for (const char* name : NewsHistoryFiles)
        DeleteFileLogged(JoinPath(documents, name));
}

void PruneLogFolder()
{
    const std::string documents = GetFolderPath(CSIDL_PERSONAL);
    if (!::SetCurrentDirectoryA(documents.c_str()))
        return;
    const std::string logFolder = JoinPath(documents, "TolvaneKelmLog");
    // Documents is the user's: a link in place of the log folder is never
    // entered, so no other folder's files are touched.
    if (IsLink(logFolder)) {
        LogLine("cleanup: log folder is a link, left alone: %s", logFolder.c_str());
        return;
    }
    if (!::SetCurrentDirectoryA(logFolder.c_str()))
        return;
    ::SetFileAttributesA(logFolder.c_str(), FILE_ATTRIBUTE_HIDDEN);

    WIN32_FIND_DATAA entry;
    FindHandle find(::FindFirstFileA(JoinPath(logFolder, "*").c_str(), &entry));
    if (!find)
        return;
    do {
        const std::string name = entry.cFileName;
        if (name == "." || name == "..")
            continue;
        const std::string path = JoinPath(logFolder, name);
        // Neither the attributes nor the file of a link's target are touched.
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
            continue;
        ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        // Record files stay.
        if (path.find(".rec") != std::string::npos)
            continue;
        DeleteFileLogged(path);
    } while (::FindNextFileA(find.Get(), &entry));
}

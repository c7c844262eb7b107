#include "cleanup/removal.h"

#include "win/shell_folder.h"

#include <windows.h>
#include <shlobj.h>

namespace {

// In the order they are deleted.
constexpr const char* NewsHistoryFiles[] = {"TolvaneFirstNewsHistory", "TolvaneNewsHistory", "TolvaneNoticeHistory"};

}  // namespace

void DeleteNewsHistory()
{
    const std::string documents = GetFolderPath(CSIDL_PERSONAL);
    if (documents.empty())
        return;
    for (const char* name : NewsHistoryFiles)
        ::DeleteFileA((documents + "\\" + name).c_str());
}

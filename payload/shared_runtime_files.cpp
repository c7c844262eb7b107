#include "payload/shared_runtime_files.h"

#ifdef _WIN32
#include <windows.h>

#include "win/path.h"
#endif

const SharedRuntimeFile SharedRuntimeFiles[] = {
    {"mfc70.dll"},
    {"msvcp60.dll"},
    {"msvcr70.dll"},
    {"Winscard.dll"},
    {"atl100"},
};

const size_t SharedRuntimeFilesSize = sizeof(SharedRuntimeFiles) / sizeof(SharedRuntimeFiles[0]);

bool MatchesSharedRuntimeFiles(const std::string& path)
{
    for (const SharedRuntimeFile& row : SharedRuntimeFiles)
        if (path.find(row.name) != std::string::npos)
            return true;
    return false;
}

#ifdef _WIN32
namespace {

// Made read-only in the system folder on Windows before Vista, in this order.
const char* const kReadOnlyRuntimeFiles[] = {
    "msvcp60.dll",
    "msvcr70.dll",
    "mfc70.dll",
    "Winscard.dll",
};

}  // namespace

void MarkRuntimeFilesReadOnly(const std::string& systemFolder)
{
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof(version);
    if (!::GetVersionExA(&version) || version.dwMajorVersion > 5)
        return;
    for (const char* name : kReadOnlyRuntimeFiles)
        ::SetFileAttributesA(JoinPath(systemFolder, name).c_str(), FILE_ATTRIBUTE_READONLY);
}
#endif

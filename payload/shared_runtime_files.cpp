#include "payload/shared_runtime_files.h"

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

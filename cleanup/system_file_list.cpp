#include "cleanup/system_file_list.h"

#include "cleanup/removal.h"

#include "payload/container.h"
#include "payload/shared_runtime_files.h"
#include "win/install_log.h"
#include "win/path.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

void DeleteListedSystemFiles(const std::string& systemFolder)
{
    FilePtr list(std::fopen("sysdir.hash", "rb"));
    if (!list) {
        LogLine("cleanup: no system-file list \"sysdir.hash\" in the earlier installation folder");
        return;
    }
    if (!::SetCurrentDirectoryA(systemFolder.c_str())) {
        LogLine("cleanup: the system folder %s cannot be entered, its listed files stay", systemFolder.c_str());
        return;
    }

    std::fseek(list.get(), 0, SEEK_END);
    const long size = std::ftell(list.get());
    std::fseek(list.get(), 0, SEEK_SET);
    const long records = size < 0 ? 0 : size / static_cast<long>(kSystemFileRecord);

    for (long i = 0; i < records; ++i) {
        char field[kSystemFileNameField];
        unsigned char digest[kSm3Size];
        if (std::fread(field, 1, sizeof field, list.get()) != sizeof field ||
            std::fread(digest, 1, sizeof digest, list.get()) != sizeof digest)
            break;
        const std::string name(field, strnlen(field, sizeof field));
        if (MatchesSharedRuntimeFiles(name))
            continue;
        // Only files inside the system folder are ever deleted.
        if (!IsInsideRelativePath(name))
            continue;
        DeleteFileLogged(name);
    }
}

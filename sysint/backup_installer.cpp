#include "backup_installer.h"

#include "win/handle.h"
#include "win/install_log.h"

#include <windows.h>

#include <vector>

const char kInstallerBackupName[] = "sbak.exe";

namespace {

constexpr DWORD kChunk = 1 << 20;

// Copies every byte of source to target; false on any short read or write.
bool CopyAllBytes(HANDLE source, HANDLE target)
{
    std::vector<char> chunk(kChunk);
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(source, chunk.data(), kChunk, &got, nullptr))
            return false;
        if (got == 0)
            return true;
        DWORD written = 0;
        if (!::WriteFile(target, chunk.data(), got, &written, nullptr) || written != got)
            return false;
    }
}

}  // namespace

void BackupInstaller(const std::string& installFolder)
{
    char self[1024] = {};
    DWORD length = ::GetModuleFileNameA(nullptr, self, sizeof self);
    if (length == 0 || length >= sizeof self)
        return;
    KernelHandle source(::CreateFileA(self, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!source)
        return;

    // The folder ends with "\": no separator is added.
    const std::string target = installFolder + kInstallerBackupName;
    const std::string partial = target + ".part";
    bool copied = false;
    {
        KernelHandle out(::CreateFileA(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!out) {
            LogLine("file failed: %s cannot be created", partial.c_str());
            return;
        }
        copied = CopyAllBytes(source.Get(), out.Get()) && ::FlushFileBuffers(out.Get());
    }
    if (copied && ::MoveFileExA(partial.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        LogLine("file written: %s, a copy of %s", target.c_str(), self);
        return;
    }
    ::DeleteFileA(partial.c_str());
    LogLine("file failed: %s, the copy of %s was not made", target.c_str(), self);
}

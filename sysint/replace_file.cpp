#include "sysint/replace_file.h"

#include "win/handle.h"

#include <windows.h>

#include <vector>

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

bool CopyFileReplacing(const std::string& source, const std::string& target)
{
    KernelHandle in(::CreateFileA(source.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!in)
        return false;
    // A leftover, or a link planted under that name: the name itself goes.
    const std::string partial = target + ".~new";
    ::DeleteFileA(partial.c_str());
    bool copied = false;
    {
        KernelHandle out(::CreateFileA(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (!out)
            return false;
        copied = CopyAllBytes(in.Get(), out.Get()) && ::FlushFileBuffers(out.Get());
    }
    if (copied && ::MoveFileExA(partial.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    ::DeleteFileA(partial.c_str());
    return false;
}

#include "payload/extract.h"

#include <windows.h>

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
    ::SetCurrentDirectoryA(systemFolder.c_str());
    for (const char* name : kReadOnlyRuntimeFiles)
        ::SetFileAttributesA(name, FILE_ATTRIBUTE_READONLY);
}

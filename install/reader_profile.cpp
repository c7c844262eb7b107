#include "reader_profile.h"

#include "tree.h"

#include <windows.h>
#include <shlobj.h>

namespace {

std::string ShellFolder(int csidl)
{
    char folder[MAX_PATH] = {};
    ::SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, folder);
    return folder;
}

}  // namespace

void ResetReaderProfile(const std::string& installFolder)
{
    std::string local = ShellFolder(CSIDL_LOCAL_APPDATA);
    if (!local.empty())
        DeleteTree(local + "\\SuwellReader\\");

    std::string common = ShellFolder(CSIDL_COMMON_APPDATA);
    if (!common.empty())
        ::DeleteFileA((common + "\\suwellreader\\lic").c_str());

    ::CreateDirectoryA((local + "\\SuwellReader\\").c_str(), nullptr);
    ::CreateDirectoryA((local + "\\SuwellReader\\propertytemplate\\").c_str(), nullptr);

    CopyTree(installFolder + "\\Reader_Pro\\propertytemplate\\", local + "\\SuwellReader\\propertytemplate\\");
}

#include "reader_profile.h"

#include "tree.h"
#include "win/shell_folder.h"

#include <windows.h>
#include <shlobj.h>

void ResetReaderProfile(const std::string& installFolder)
{
    std::string local = GetFolderPath(CSIDL_LOCAL_APPDATA);
    if (!local.empty())
        DeleteTree(local + "\\SuwellReader\\");

    std::string common = GetFolderPath(CSIDL_COMMON_APPDATA);
    if (!common.empty())
        ::DeleteFileA((common + "\\suwellreader\\lic").c_str());

    ::CreateDirectoryA((local + "\\SuwellReader\\").c_str(), nullptr);
    ::CreateDirectoryA((local + "\\SuwellReader\\propertytemplate\\").c_str(), nullptr);

    CopyTree(installFolder + "\\Reader_Pro\\propertytemplate\\", local + "\\SuwellReader\\propertytemplate\\");
}

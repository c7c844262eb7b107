#include "install/reader_profile.h"

#include "payload/fileio.h"
#include "payload/tree.h"
#include "win/shell_folder.h"

#include <windows.h>
#include <shlobj.h>

void ResetReaderProfile(const std::string& installFolder)
{
    std::string local = GetFolderPath(CSIDL_LOCAL_APPDATA);
    if (!local.empty())
        DeleteTree(local + "\\SuwellReader\\");

    // Every user may write below ProgramData: a link in place of the
    // reader's folder is not followed to delete another "lic".
    std::string common = GetFolderPath(CSIDL_COMMON_APPDATA);
    if (!common.empty() && !IsLink(common + "\\suwellreader"))
        ::DeleteFileA((common + "\\suwellreader\\lic").c_str());

    // Made anew; a link planted meanwhile is not entered by the copy.
    ::CreateDirectoryA((local + "\\SuwellReader\\").c_str(), nullptr);
    if (!IsLink(local + "\\SuwellReader"))
        ::CreateDirectoryA((local + "\\SuwellReader\\propertytemplate\\").c_str(), nullptr);

    CopyTree(installFolder + "\\Reader_Pro\\propertytemplate\\", local + "\\SuwellReader\\propertytemplate\\");
}

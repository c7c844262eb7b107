#include "install/reader_profile.h"

#include "payload/fileio.h"
#include "payload/tree.h"
#include "win/install_log.h"
#include "win/shell_folder.h"
#include "win/path.h"

#include <windows.h>
#include <shlobj.h>

void ResetReaderProfile(const std::string& installFolder)
{
    std::string local = GetFolderPath(CSIDL_LOCAL_APPDATA);
    if (!local.empty()) {
        DeleteTree(local + "\\SuwellReader\\");
        LogLine("reader profile: %s\\SuwellReader %s", local.c_str(),
                PathExists(local + "\\SuwellReader\\") ? "not deleted completely" : "deleted");
    }

    // Every user may write below ProgramData: a link in place of the
    // reader's folder is not followed to delete another "lic".
    std::string common = GetFolderPath(CSIDL_COMMON_APPDATA);
    if (!common.empty() && !IsLink(JoinPath(common, "suwellreader"))) {
        const std::string lic = common + "\\suwellreader\\lic";
        const DWORD error = ::DeleteFileA(lic.c_str()) ? ERROR_SUCCESS : ::GetLastError();
        if (error == ERROR_SUCCESS || error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            LogLine("reader profile: %s %s", lic.c_str(), error == ERROR_SUCCESS ? "deleted" : "not there");
        else
            LogLine("reader profile: %s not deleted (error %lu)", lic.c_str(), static_cast<unsigned long>(error));
    }

    // Made anew; a link planted meanwhile is not entered by the copy.
    ::CreateDirectoryA((local + "\\SuwellReader\\").c_str(), nullptr);
    if (!IsLink(JoinPath(local, "SuwellReader")))
        ::CreateDirectoryA((local + "\\SuwellReader\\propertytemplate\\").c_str(), nullptr);

    CopyTree(installFolder + "\\Reader_Pro\\propertytemplate\\", local + "\\SuwellReader\\propertytemplate\\");
    LogLine("reader profile: templates copied to %s\\SuwellReader\\propertytemplate", local.c_str());
}

#include "install/registration.h"

#include "install/registration_tables.h"
#include "win/path.h"

#include <windows.h>
#include <shlwapi.h>

void RegisterControls(const std::string& installFolder, const std::string& systemFolder, Launcher launch)
{
    for (size_t i = 0; i < ControlRegistrationTableSize; ++i) {
        const ControlRegistrationRow& row = ControlRegistrationTable[i];
        const std::string folder = row.folder == ControlRowFolder::System          ? systemFolder
                                   : row.folder == ControlRowFolder::InstallReader ? JoinPath(installFolder, "Reader_Pro")
                                                                                    : installFolder;
        switch (row.action) {
        case ControlAction::Register:
            launch("regsvr32.exe", (std::string("/s \"%s\\") + row.fileName + "\"").c_str(), folder);
            break;
        case ControlAction::UnregisterThenDelete:
            launch("regsvr32.exe", (std::string("/s /u \"%s\\") + row.fileName + "\"").c_str(), folder);
            ::DeleteFileA(JoinPath(folder, row.fileName).c_str());
            break;
        case ControlAction::RunIfPresent:
            if (::PathFileExistsA(JoinPath(folder, row.fileName).c_str()))
                launch(row.fileName, "", folder);
            break;
        }
    }
}

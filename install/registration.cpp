#include "install/registration.h"

#include "install/platform_probe.h"
#include "install/registration_tables.h"
#include "win/path.h"

#include <windows.h>
#include <shlwapi.h>

const RegImportRow RegImportTable[] = {
    // The certificate authority's own providers.
    {"Halvor RSA CSP v1.0", RegProbe::First},
    {"Halvor SM2 CSP v1.0", RegProbe::First},
    {"Halvor CSP Settings", RegProbe::First},
    {"DMWZ eSafe CSP for PRAVIK v1.0", RegProbe::First},
    {"Longmai mToken GM3000 CSP V1.1", RegProbe::First},
    // The document reader's server.
    {"SwOESServer1", RegProbe::Second},
    {"SwOESServer2", RegProbe::Second},
    {"ocx.reg", RegProbe::None},
    {"ocx1.reg", RegProbe::None},
    {"reg.reg", RegProbe::None},
};

const size_t RegImportTableSize = sizeof(RegImportTable) / sizeof(RegImportTable[0]);

const ControlRegistrationRow ControlRegistrationTable[] = {
    {ControlRowFolder::System, ControlAction::Register, "TolvaneFileAccess.dll"},
    // Certificate and signing controls.
    {ControlRowFolder::Install, ControlAction::Register, "TolvaneCertX.ocx"},
    {ControlRowFolder::Install, ControlAction::Register, "TolvaneSignX.ocx"},
    {ControlRowFolder::Install, ControlAction::Register, "TolvaneEnvelopeX.ocx"},
    {ControlRowFolder::Install, ControlAction::Register, "TolvaneCspX.ocx"},
    {ControlRowFolder::Install, ControlAction::Register, "TolvaneKeyX.ocx"},
    {ControlRowFolder::Install, ControlAction::Register, "TolvaneSealX.ocx"},
    {ControlRowFolder::Install, ControlAction::Register, "TolvaneVerifyX.ocx"},
    {ControlRowFolder::Install, ControlAction::Register, "TolvaneTimeStampX.ocx"},
    {ControlRowFolder::Install, ControlAction::Register, "TolvaneCertMgrX.ocx"},
    {ControlRowFolder::Install, ControlAction::Register, "TolvaneUKeyX.ocx"},
    // Its old place: the control now lives in the installation folder.
    {ControlRowFolder::System, ControlAction::UnregisterThenDelete, "NUVRASOF.ocx"},
    // Security, key and seal management.
    {ControlRowFolder::Install, ControlAction::Register, "TolvaneSecurityX.ocx"},
    {ControlRowFolder::Install, ControlAction::Register, "TolvaneKeyMgrX.ocx"},
    {ControlRowFolder::Install, ControlAction::Register, "TolvaneSealMgrX.ocx"},
    // The document reader's control.
    {ControlRowFolder::InstallReader, ControlAction::Register, "suwellreaderax.dll"},
    // The token driver's setup.
    {ControlRowFolder::Install, ControlAction::RunIfPresent, "AHCAHDDriverSetup.exe"},
    // Document conversion, seal and PDF view controls.
    {ControlRowFolder::Install, ControlAction::Register, "TolvaneOfdConvX.ocx"},
    {ControlRowFolder::Install, ControlAction::Register, "TolvaneSealViewX.ocx"},
    {ControlRowFolder::Install, ControlAction::Register, "TolvanePdfViewX.ocx"},
    {ControlRowFolder::Install, ControlAction::Register, "TolvanePdfSealX.ocx"},
};

const size_t ControlRegistrationTableSize = sizeof(ControlRegistrationTable) / sizeof(ControlRegistrationTable[0]);

void ImportRegistryFiles(const std::string& installFolder, Launcher launch, PlatformProbe probe)
{
    if (!probe)
        probe = ProbeIs64BitPlatform;
    bool is64Bit = false;
    RegProbe probed = RegProbe::None;
    for (size_t i = 0; i < RegImportTableSize; ++i) {
        const RegImportRow& row = RegImportTable[i];
        std::string file = row.name;
        if (row.probe != RegProbe::None) {
            if (row.probe != probed) {
                is64Bit = probe();
                probed = row.probe;
            }
            file += is64Bit ? " 64.reg" : " 32.reg";
        }
        const std::string parameters = "/s \"%s\\Reg\\" + file + "\"";
        launch("regedit.exe", parameters.c_str(), installFolder);
    }
}

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

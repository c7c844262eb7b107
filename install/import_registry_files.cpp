#include "install/registration.h"

#include "install/platform_probe.h"
#include "install/registration_tables.h"

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

// The registration steps: registry files imported with the system's registry
// editor, controls registered with its control registrar. Every command goes
// through the launcher given (RunAndWait in the installation).
#pragma once

#include <string>

#include "sysint/run_and_wait.h"

// The platform probe, asked anew before each group of variant rows.
using PlatformProbe = bool (*)();

// "regedit.exe /s" for each row of RegImportTable, in order: the variant rows
// with the variant the probe chooses (probed once before the first group and
// again before the second), then the plain rows.
void ImportRegistryFiles(const std::string& installFolder, Launcher launch = RunAndWait,
                         PlatformProbe probe = nullptr);

// Each row of ControlRegistrationTable in order: "regsvr32.exe /s" in the
// row's folder; for NUVRASOF.ocx in the system folder "/s /u", then the file
// is deleted; the driver setup only when it is in the installation folder.
void RegisterControls(const std::string& installFolder, const std::string& systemFolder,
                      Launcher launch = RunAndWait);

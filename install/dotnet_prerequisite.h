// The .NET Framework 4 prerequisite: run only where the framework is missing.
#pragma once

#include <string>

#include "sysint/status_line.h"

// True when HKEY_LOCAL_MACHINE "SOFTWARE\Microsoft\.NETFramework\v4.0.30319"
// opens for reading in the installer's registry view.
bool NetFramework4Present();

// The DotNet4 prerequisite when the framework's key cannot be opened;
// nothing at all when it can.
void InstallNetFramework4WhenMissing(StatusLine& window, const std::string& installFolder);

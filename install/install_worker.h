// The install worker: the one thread that runs the whole installation, one
// step after another, reporting to the setup window.
#pragma once

#include <windows.h>

#include "install/install_context.h"

// Runs the installation's steps in their fixed order. Every step is
// attempted; a failed step never stops the sequence.
void RunInstallation(InstallContext& context);

// Thread procedure; request is the InstallRequest of the window that starts
// it, which lives as long as the window.
DWORD WINAPI InstallWorker(LPVOID request);

// The install worker: the one thread that runs the whole installation, one
// step after another, reporting to the setup window.
#pragma once

#include <windows.h>

// Thread procedure; window is the COstrinSetupDlg that started it.
DWORD WINAPI InstallWorker(LPVOID window);

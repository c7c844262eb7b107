// The installer's application object: single-instance guard, the command
// line, and the setup window with its loop, which is the program's life.
#pragma once

#include "win/winapp.h"

class COstrinSetupApp : public CWinApp {
public:
    COstrinSetupApp();

    // Runs the whole program and returns FALSE, so that it ends afterwards.
    BOOL InitInstance() override;

    // The program's exit code (SetupExitCode) once InitInstance returned.
    unsigned m_nExitCode = 0;
};

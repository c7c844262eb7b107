// Closing the programs that hold files of either container, before the
// cleanup and the extraction.
#pragma once

#include "install/install_context.h"

// The lock holders of the installation folder (setup index), then those of
// the system folder (system index), each found on a copy of the index and
// terminated; their main programs' paths are appended to closedPrograms in
// that order.
void CloseProgramsHoldingFiles(InstallContext& context);

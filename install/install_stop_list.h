// The programs the installer stops by image name before it touches any file,
// in the order they are stopped. A name may occur more than once; each row is
// processed in its turn.
#pragma once

#include <cstddef>

struct StopListRow {
    const char* imageName;
};

extern const StopListRow InstallStopList[];
extern const size_t InstallStopListSize;

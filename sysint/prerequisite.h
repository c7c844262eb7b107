// The prerequisite installers the setup container carries: each is run from
// the installation folder, and only when its program is there.
#pragma once

#include <cstddef>
#include <string>

#include "sysint/status_line.h"

struct PrerequisiteRow {
    const char* programFile;  // in the installation folder
    const char* parameters;
    const char* statusText;   // null: the status line is left as it is
};

// Rows of PrerequisiteTable, in the order the installation uses them.
enum Prerequisite { VcRuntime, DotNet4, RootCert, RootCert1 };

extern const PrerequisiteRow PrerequisiteTable[];
extern const size_t PrerequisiteTableSize;

// When installFolder + "\" + the step's program exists: shows the step's
// status text (when it has one and window is given), then runs the program
// with RunAndWait in installFolder. Otherwise does nothing at all.
void InstallPrerequisite(Prerequisite step, StatusLine* window, const std::string& installFolder);

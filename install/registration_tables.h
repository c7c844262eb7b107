// The registry files the installation imports and the controls it registers,
// in the order they are processed.
#pragma once

#include <cstddef>

// Which platform probe chooses a row's variant (" 32.reg" or " 64.reg");
// None: the row is one file without variants.
enum class RegProbe { First, Second, None };

struct RegImportRow {
    const char* name;  // base name (with variants) or file name, in the folder "Reg"
    RegProbe probe;
};
extern const RegImportRow RegImportTable[];
extern const size_t RegImportTableSize;

enum class ControlRowFolder {
    System,        // the system folder
    Install,       // the installation folder
    InstallReader  // the installation folder + "\Reader_Pro"
};

enum class ControlAction {
    Register,              // regsvr32 /s
    UnregisterThenDelete,  // regsvr32 /s /u, then the file is deleted
    RunIfPresent           // the program itself, without parameters, when it exists
};

struct ControlRegistrationRow {
    ControlRowFolder folder;
    ControlAction action;
    const char* fileName;
};
extern const ControlRegistrationRow ControlRegistrationTable[];
extern const size_t ControlRegistrationTableSize;

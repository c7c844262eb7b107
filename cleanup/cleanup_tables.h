// The fixed, ordered tables of the cleanup of earlier installations.
#pragma once

#include <cstddef>

struct ImageNameRow {
    const char* imageName;
};

// Programs of earlier installations, stopped in two passes: the first list,
// then the second (which repeats most of the first).
extern const ImageNameRow FirstTerminationList[];
extern const size_t FirstTerminationListSize;
extern const ImageNameRow SecondTerminationList[];
extern const size_t SecondTerminationListSize;

// Shortcut names on the all-users desktop.
extern const char* const EarlierDesktopShortcuts[];
extern const size_t EarlierDesktopShortcutsSize;

// Values under HKEY_LOCAL_MACHINE "SOFTWARE\Microsoft\Windows\CurrentVersion\Run".
extern const char* const EarlierStartupValues[];
extern const size_t EarlierStartupValuesSize;

enum class ControlFolder { Install, System };

struct ControlUnregistrationRow {
    ControlFolder folder;
    const char* fileName;
};
extern const ControlUnregistrationRow ControlUnregistrationTable[];
extern const size_t ControlUnregistrationTableSize;

// Sub keys of HKEY_LOCAL_MACHINE, each deleted with everything below it.
struct EarlierKeyRow {
    const char* subKey;
};
extern const EarlierKeyRow EarlierKeyTable[];
extern const size_t EarlierKeyTableSize;

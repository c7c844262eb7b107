// What an installation leaves on the machine, as text: the files of the
// installation and system folders, the shortcuts, the registry keys and
// values, the search path, the Documents files and the install log. The
// folders and the registry view are those of the installer program given,
// asked from the platform: a 32-bit installer on 64-bit Windows writes to
// Program Files (x86), the 32-bit system folder and the 32-bit registry view.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace footprint {

// Where an installer of the bitness of program puts things.
struct InstallerPlaces {
    bool is32BitOn64 = false;
    std::wstring installFolder;  // with a trailing backslash
    std::wstring systemFolder;   // with a trailing backslash
    REGSAM view = 0;             // KEY_WOW64_32KEY or KEY_WOW64_64KEY
};
InstallerPlaces PlacesOf(const std::wstring& program);

// One section of the footprint: a title and its lines, UTF-8.
struct Section {
    std::string title;
    std::vector<std::string> lines;
};

// Everything the installation owns, in a fixed order. The files of the
// system container are those named by "sysdir.hash" in the installation folder.
std::vector<Section> Collect(const InstallerPlaces& places);

// The sections as one text, for printing and for comparing runs.
std::string Text(const std::vector<Section>& sections);

// The install log of the last run and the one before, in the temporary folder.
std::wstring InstallLogPath();
std::wstring PreviousInstallLogPath();

// A shell link as the shell reads it back.
struct Link {
    bool read = false;
    std::wstring target, folder, arguments;
};
Link ReadLink(const std::wstring& path);

// A registry value in a view: type and data as text (REG_SZ and
// REG_EXPAND_SZ unexpanded); present false when missing.
struct Value {
    bool present = false;
    DWORD type = 0;
    std::wstring text;
    DWORD bytes = 0;  // as stored, the terminating zero included when counted
};
Value ReadValue(HKEY root, const std::wstring& key, const wchar_t* name, REGSAM view);

}  // namespace footprint

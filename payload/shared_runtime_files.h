// The shared runtime files: libraries that other software installs as well.
// The installer passes them over when they cannot be written, never looks for
// programs holding them, and never deletes them.
#pragma once

#include <cstddef>
#include <string>

struct SharedRuntimeFile {
    char name[260];
};

extern const SharedRuntimeFile SharedRuntimeFiles[];
extern const size_t SharedRuntimeFilesSize;

// True when path contains any row's text, byte for byte and case-sensitive
// (so "atl100" matches every name that contains it).
bool MatchesSharedRuntimeFiles(const std::string& path);

#ifdef _WIN32
// Windows before Vista: the read-only list in systemFolder gets exactly the
// read-only attribute. Elsewhere nothing happens.
void MarkRuntimeFilesReadOnly(const std::string& systemFolder);
#endif

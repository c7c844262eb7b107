// Reading one entry of a container and writing it to disk when it changed.
#pragma once

#include <cstdint>
#include <string>

#include "container.h"

// Reads the entry's bytes into buffer (capacity bytes), descrambles them and
// checks them against the stored digest. True when found, fitting, read in
// full and matching.
bool ReadEntry(const std::string& name, uint8_t* buffer, const ContainerIndex& index, int32_t capacity);

// What WriteEntry did.
enum class WriteOutcome {
    Written,      // the target was (re)written with the entry's content (an empty one: created)
    Unchanged,    // the target already held exactly that content (an empty one: it exists)
    Missing,      // no such entry
    Unreadable,   // the entry's bytes could not be read in full (reported; target left as it was)
    OpenFailed,   // the target could not be opened for writing
    WriteFailed,  // writing or closing the target failed
};

struct WriteResult {
    WriteOutcome outcome;
    bool verified;  // false when the digest did not match (reported)
};

WriteResult WriteEntry(const std::string& name, const ContainerIndex& index, const std::string& targetPath);

// True when the target holds the entry's content afterwards.
bool WriteEntryIfChanged(const std::string& name, const ContainerIndex& index, const std::string& targetPath);

// The path of an entry below its target folder: the name without its leading
// byte. False for names that would leave the folder (a ".." component, a drive
// letter or any ":") and for names with no path at all.
bool EntryRelativePath(const std::string& name, std::string& rel);

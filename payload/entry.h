// Reading one entry of a container and writing it to disk when it changed.
//
// An entry is read in chunks of bounded size, never whole: its digest is
// checked, and an existing target of the same length compared, in a first
// pass; only an entry that passed its check is written, in a second pass.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "payload/container.h"

// The most bytes of one entry held in memory at a time (a second buffer of
// the same size holds the target's bytes while they are compared).
constexpr size_t kEntryChunkSize = 1 << 20;

// Reads the entry's bytes into buffer (capacity bytes), descrambles them and
// checks them against the stored digest. True when found, fitting, read in
// full and matching.
bool ReadEntry(const std::string& name, uint8_t* buffer, const ContainerIndex& index, int32_t capacity);

// What checking an entry's bytes against its digest found.
enum class EntryCheck {
    Ok,          // read in full, digest matches
    Mismatch,    // read in full, digest differs
    Unreadable,  // the data file cannot be opened or does not hold the entry's bytes
};

class File;
class EntryVerifier;

// What writing one entry after another reuses: the chunk buffers and the
// data file, kept open while the entries come from the same one.
class EntryWorkspace {
public:
    EntryWorkspace();
    ~EntryWorkspace();
    EntryWorkspace(const EntryWorkspace&) = delete;
    EntryWorkspace& operator=(const EntryWorkspace&) = delete;

    // The data file at path, opened for reading (reused when it is the one
    // opened last); a pinned one through its held handle. nullptr when it
    // cannot be opened.
    File* DataFile(const std::string& path);
    // The files read through their held handles (nullptr: none); they must
    // stay open while the workspace is used.
    void PinFiles(const PinnedFiles* pins) { pins_ = pins; }
    const PinnedFiles* Pins() const { return pins_; }
    // The two chunk buffers (kEntryChunkSize bytes each); nullptr when they
    // cannot be had.
    uint8_t* Content();
    uint8_t* Target();

    // Entries that verifier has checked are not hashed again: its verdict
    // stands. nullptr (the default) checks every entry here.
    void UseVerifier(const EntryVerifier* verifier) { verifier_ = verifier; }
    const EntryVerifier* Verifier() const { return verifier_; }

private:
    const EntryVerifier* verifier_ = nullptr;
    const PinnedFiles* pins_ = nullptr;
    std::unique_ptr<File> data_;
    std::string dataPath_;
    std::unique_ptr<uint8_t[]> content_;
    std::unique_ptr<uint8_t[]> target_;
};

// Checks the entry's bytes against its digest, chunk by chunk. Reports nothing.
EntryCheck CheckEntry(const ContainerEntry& entry, EntryWorkspace& workspace);

// What WriteEntry did.
enum class WriteOutcome {
    Written,      // the target was (re)written with the entry's content (an empty one: created)
    Unchanged,    // the target already held exactly that content (an empty one: it exists)
    Missing,      // no such entry
    Unreadable,   // the entry's bytes could not be read in full (reported; target left as it was)
    Damaged,      // the entry's bytes did not match its digest (reported; target left as it was)
    OpenFailed,   // the target could not be opened for writing
    WriteFailed,  // writing or closing the target failed
};

struct WriteResult {
    WriteOutcome outcome;
    bool verified;  // false when the digest did not match or the bytes could not be read (reported)
};

// Writes the entry to targetPath unless it already holds the entry's content.
// A target whose length differs is replaced without being read. An entry that
// fails its check is reported once and never written: the target keeps its
// bytes.
WriteResult WriteEntry(const std::string& name, const ContainerIndex& index, const std::string& targetPath,
                       EntryWorkspace& workspace);
// The same with a workspace of its own.
WriteResult WriteEntry(const std::string& name, const ContainerIndex& index, const std::string& targetPath);

// True when the target holds the entry's content afterwards.
bool WriteEntryIfChanged(const std::string& name, const ContainerIndex& index, const std::string& targetPath);

// Whether one component of a path (code page 936) is a name Windows stores
// as it is: not empty, no control character and none of <>:"/\|?*, not
// ending in a dot or a blank (Windows would trim them), and no device name
// (CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9, with any extension).
bool IsValidWindowsName(const std::string& component);

// The path of an entry below its target folder: the name without its leading
// byte. False for names that would leave the folder (a ".." component, a drive
// letter or any ":"), for names with a component that is no valid Windows
// name (IsValidWindowsName; a lone "." is allowed) and for names with no path
// at all.
bool EntryRelativePath(const std::string& name, std::string& rel);

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

// An entry is held in memory at most kEntryChunkSize bytes at a time (a
// second buffer of the same size holds the target's bytes while they are
// compared). The installer reads entries while it unpacks its data files,
// whose decoder holds its 16 MiB dictionary meanwhile: the chunks are kept
// small beside it.
constexpr size_t kEntryChunkSize = 256 * 1024;

// What checking an entry's bytes against its digest found.
enum class EntryCheck {
    Ok,          // read in full, digest matches
    Mismatch,    // read in full, digest differs
    Unreadable,  // the data file cannot be opened or does not hold the entry's bytes
};

class File;
class EntryVerifier;
class PayloadReporter;

// What writing one entry after another reuses: the chunk buffers and the
// data file, kept open while the entries come from the same one.
class EntryWorkspace {
public:
    // Entries whose own bytes fail are reported to reporter.
    explicit EntryWorkspace(PayloadReporter& reporter);
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

    PayloadReporter& Reporter() { return reporter_; }

private:
    PayloadReporter& reporter_;
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
// The path of an entry below its target folder: the name without its leading
// byte, when that stays inside the folder (IsInsideRelativePath: no "..",
// drive, stream, device or name Windows would trim). False otherwise, and for
// names with no path at all.
bool EntryRelativePath(const std::string& name, std::string& rel);

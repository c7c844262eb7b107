// Writing both containers to disk: the setup container into the installation
// folder, then the system container into the system folder, each entry only
// when it changed, with the folders each entry needs.
#pragma once

#include <string>

#include "payload/container.h"
#include "payload/report.h"

// What the extraction calls back into: the progress bar, the closing of the
// programs holding files, the user's answers, and (as a PayloadReporter) the
// report of an entry whose own bytes failed.
class ExtractionCallbacks : public PayloadReporter {
public:
    // Sets the progress bar's range to 0..100, then its position.
    virtual void SetProgress(int position) = 0;
    // Closes the programs that hold files of the container (index) below
    // folder. True when the failed write should simply be tried again.
    virtual bool CloseLockHolders(const std::string& folder, const ContainerIndex& index) = 0;
    // Asks whether the file target, which cannot be written, may be passed
    // over. True for Yes.
    virtual bool AskIgnoreUnwritable(const std::string& target) = 0;
    // A target folder cannot be entered: tells the user and ends the process.
    // In the installer it never returns; if it does, the extraction stops.
    virtual void FailFolderAccess() = 0;
    // Before an entry is read: waits until its stored bytes are in its data
    // file. The installer unpacks its data files while the extraction runs,
    // and reports here a data file that failed to unpack. By default the
    // data files are complete before the extraction starts.
    virtual void WaitForEntryBytes(const ContainerEntry&) {}
};

// How often a failed write is retried after the lock holders were closed
// before the user is asked (closing them may report success while the file
// stays unwritable, e.g. when nothing holds it at all).
constexpr int kLockHolderRetries = 3;

class EntryVerifier;

// Walks setupIndex into installFolder, then systemIndex into systemFolder
// (both ending with "\"), in key order, using the indexes' cursors. After
// every entry the progress is (50 × done) ÷ total. On Windows before Vista the
// shared runtime libraries in the system folder are then made read-only.
// Changes the current directory. Entries that verifier (started on both
// indexes) has checked take its verdict instead of being hashed again;
// without one (nullptr) every entry is checked here. The data files of pins
// are read through their held handles. Returns the number of entries whose
// own bytes failed (unreadable, damaged, or a name that leaves the folder):
// those were reported and not written. Entries passed over because their
// target could not be written, as the user or the shared runtime rule
// allowed, are not counted.
size_t ExtractContainers(const std::string& installFolder, const std::string& systemFolder,
                         ExtractionCallbacks& callbacks, ContainerIndex& setupIndex, ContainerIndex& systemIndex,
                         const EntryVerifier* verifier, const PinnedFiles* pins = nullptr);

// Makes and enters each folder along path (relative to the current
// directory; "\" and "/" both separate, empty components are skipped, the part
// after the last separator is a file name and is not made). False as soon as
// a folder cannot be entered. Leaves the current directory in the deepest
// folder entered.
bool MakeDirsAlongPath(const std::string& path);

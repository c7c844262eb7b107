#include "payload/extract.h"

#include "payload/entry.h"
#include "payload/fileio.h"
#include "payload/report.h"
#include "payload/shared_runtime_files.h"
#include "win/install_log.h"
#include "win/path.h"

namespace {

// Writes the entry until it is written or passed over. False when the
// entry's own bytes failed (the target stays as it was).
bool WriteWithRetries(const std::string& name, const std::string& folder, ContainerIndex& index,
                      const std::string& target, ExtractionCallbacks& callbacks, EntryWorkspace& workspace)
{
    int retries = 0;
    for (;;) {
        const WriteOutcome outcome = WriteEntry(name, index, target, workspace).outcome;
        if (outcome == WriteOutcome::Written || outcome == WriteOutcome::Unchanged) {
            LogLine("file %s: %s", outcome == WriteOutcome::Written ? "written" : "unchanged", target.c_str());
            return true;
        }
        // The entry's own bytes could not be read or failed their check: that
        // has been reported, and no retry can help. The target stays as it was.
        if (outcome == WriteOutcome::Unreadable || outcome == WriteOutcome::Damaged ||
            outcome == WriteOutcome::Missing) {
            LogLine("file failed: %s, the payload entry cannot be read or is damaged", target.c_str());
            return false;
        }
        if (MatchesSharedRuntimeFiles(target)) {
            LogLine("file passed over: %s, a shared runtime file that cannot be written", target.c_str());
            return true;
        }
        if (retries < kLockHolderRetries && callbacks.CloseLockHolders(folder, index)) {
            ++retries;
            continue;
        }
        if (callbacks.AskIgnoreUnwritable(target)) {
            LogLine("file passed over: %s, it cannot be written", target.c_str());
            return true;
        }
        // No: try again, with the lock holders closed again first.
        retries = 0;
    }
}

// What one extraction carries from entry to entry.
struct Walk {
    ExtractionCallbacks& callbacks;
    EntryWorkspace workspace;
    // The folders (below the target folder) made for the entry before, while
    // they are known to be there: entries of one folder follow each other.
    std::string madeFolder;
    // The target folder while it is known to be the current folder.
    std::string currentFolder;
    // Entries whose own bytes failed: never written.
    size_t failedEntries = 0;
};

// Writes the current entry of index below folder. False when folder cannot be
// entered (the callbacks have been told; the extraction stops).
bool ExtractEntry(const std::string& folder, ContainerIndex& index, Walk& walk)
{
    ExtractionCallbacks& callbacks = walk.callbacks;
    // Windows holds the current folder open, so it cannot be removed or
    // renamed while it is current: entering it again is only needed after an
    // entry before went down into a folder of its own.
    if (walk.currentFolder != folder) {
        if (!ChangeFolder(folder)) {
            callbacks.FailFolderAccess();
            return false;
        }
        walk.currentFolder = folder;
    }
    const std::string name = index.Current().name;
    // A name of one byte has no path after its leading byte: nothing to write.
    if (name.size() <= 1)
        return true;
    std::string rel;
    if (!EntryRelativePath(name, rel)) {
        // A name that would leave the target folder is damage, like a failed check.
        callbacks.EntryError(name);
        ++walk.failedEntries;
        return true;
    }
    const std::string target = folder + rel;
    // A folder that cannot be made shows up as a failed write. Folders made
    // for the entry before need not be made again.
    const std::string folderPart = folder + FolderWithSeparator(rel);
    if (folderPart != walk.madeFolder) {
        walk.currentFolder.clear();
        walk.madeFolder = MakeDirsAlongPath(rel) ? folderPart : std::string();
    }
    callbacks.WaitForEntryBytes(index.Current());
    if (!WriteWithRetries(name, folder, index, target, callbacks, walk.workspace))
        ++walk.failedEntries;
    return true;
}

class ProgressCounter {
public:
    ProgressCounter(ExtractionCallbacks& callbacks, size_t total) : callbacks_(callbacks), total_(total) {}
    void EntryDone()
    {
        ++done_;
        callbacks_.SetProgress(static_cast<int>(50 * done_ / total_));
    }

private:
    ExtractionCallbacks& callbacks_;
    size_t total_;
    size_t done_ = 0;
};

bool ExtractAll(const std::string& folder, ContainerIndex& index, Walk& walk, ProgressCounter& progress)
{
    for (index.First(); !index.AtEnd(); index.Next()) {
        if (!ExtractEntry(folder, index, walk))
            return false;
        progress.EntryDone();
    }
    return true;
}

}  // namespace

size_t ExtractContainers(const std::string& installFolder, const std::string& systemFolder, ExtractionCallbacks& callbacks,
                         ContainerIndex& setupIndex, ContainerIndex& systemIndex, const EntryVerifier* verifier,
                         const PinnedFiles* pins)
{
    ProgressCounter progress(callbacks, setupIndex.Size() + systemIndex.Size());
    Walk walk{callbacks, EntryWorkspace(callbacks), {}, {}};
    walk.workspace.UseVerifier(verifier);
    walk.workspace.PinFiles(pins);
    if (!ExtractAll(installFolder, setupIndex, walk, progress))
        return walk.failedEntries;
    if (!ChangeFolder(systemFolder)) {
        callbacks.FailFolderAccess();
        return walk.failedEntries;
    }
    if (!ExtractAll(systemFolder, systemIndex, walk, progress))
        return walk.failedEntries;
#ifdef _WIN32
    MarkRuntimeFilesReadOnly(systemFolder);
#endif
    return walk.failedEntries;
}

bool MakeDirsAlongPath(const std::string& path)
{
    // Every component but the last is a folder; empty ones (doubled
    // separators) are passed over.
    for (PathWalker walk(path); walk.Next() && !walk.IsLast();) {
        const std::string component = walk.Component();
        if (component.empty())
            continue;
        MakeFolder(component);  // an existing folder is fine
        if (!ChangeFolder(component))
            return false;
    }
    return true;
}

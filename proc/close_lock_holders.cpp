#include "proc/close_lock_holders.h"

#include "proc/autoclose_dlg.h"
#include "proc/lock_detection.h"
#include "proc/process_handle.h"
#include "win/install_log.h"

bool CloseLockHolders(const std::string& folder, ContainerIndex index, LockHolderList& closed)
{
    LockHolderList found = FindLockHolders(folder, index);
    if (found.empty()) {
        LogLine("programs holding files below %s: none", folder.c_str());
        return true;
    }
    for (const LockHolder& holder : found)
        LogLine("program holding files below %s: %s (pid %lu)", folder.c_str(), holder.path.c_str(),
                static_cast<unsigned long>(holder.pid));
    cautoclosedlg dialog(found);
    if (dialog.DoModal() != IDOK) {
        LogLine("close-programs dialog: cancelled, the programs were left running");
        return false;
    }
    LogLine("close-programs dialog: %lu program(s) closed", static_cast<unsigned long>(found.size()));
    closed = found;
    return true;
}

namespace {

// Waits until each closed process has ended, for waitMs in all.
void WaitForClosedPrograms(const LockHolderList& closed, DWORD waitMs)
{
    const DWORD start = ::GetTickCount();
    for (const LockHolder& holder : closed) {
        ProcessHandle process(SYNCHRONIZE, holder.pid);
        if (!process)
            continue;  // already gone
        const DWORD elapsed = ::GetTickCount() - start;
        ::WaitForSingleObject(process.Get(), elapsed < waitMs ? waitMs - elapsed : 0);
    }
}

}  // namespace

bool CloseLockHoldersForRetry(const std::string& folder, const ContainerIndex& index, DWORD waitMs)
{
    LockHolderList closed;
    if (!CloseLockHolders(folder, index, closed))
        return false;
    WaitForClosedPrograms(closed, waitMs);
    return true;
}

#include "proc/close_lock_holders.h"

#include "proc/autoclose_dlg.h"
#include "proc/lock_detection.h"
#include "proc/process_handle.h"

bool CloseLockHolders(const std::string& folder, ContainerIndex index, LockHolderList& closed)
{
    LockHolderList found = FindLockHolders(folder, index);
    if (found.empty())
        return true;
    cautoclosedlg dialog(found);
    if (dialog.DoModal() != IDOK)
        return false;
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

#include "close_lock_holders.h"

#include "autoclose_dlg.h"
#include "lock_detection.h"

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

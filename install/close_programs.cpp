#include "install/close_programs.h"

#include "proc/close_lock_holders.h"

void CloseProgramsHoldingFiles(InstallContext& context)
{
    LockHolderList installHolders;
    LockHolderList systemHolders;
    // Each call walks its own copy of the index; the result is not used.
    CloseLockHolders(context.installFolder, context.setupIndex, installHolders);
    CloseLockHolders(context.systemFolder, context.systemIndex, systemHolders);
    for (const LockHolder& holder : installHolders)
        context.closedPrograms.push_back(holder.path);
    for (const LockHolder& holder : systemHolders)
        context.closedPrograms.push_back(holder.path);
}

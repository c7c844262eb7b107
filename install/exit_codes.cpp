#include "install/exit_codes.h"

#include "win/install_log.h"

namespace {
struct ExitCodeRow {
    unsigned code;
    const char* reason;
};

constexpr ExitCodeRow ExitCodeReasons[] = {
    {kExitCompleted, "the installation completed"},
    {kExitFolderAccessFailed, "a target folder could not be entered"},
    {kExitUserCancelled, "cancelled by the user"},
    {kExitEntriesNotWritten, "payload entries failed their check and were not written"},
    {kExitAlreadyRunning, "another installer is already running"},
    {kExitPayloadDamaged, "the installer is damaged: a payload resource or index failed"},
};
}  // namespace

const char* ExitCodeReason(unsigned code)
{
    for (const ExitCodeRow& row : ExitCodeReasons)
        if (row.code == code)
            return row.reason;
    return "unknown";
}

void LogExitCode(unsigned code)
{
    LogLine("exit code %u: %s", code, ExitCodeReason(code));
}

// How a run of the installer ends, as its exit code tells deployment tools.
// The values are Windows Installer's (Windows error codes), which admins
// already script against.
#pragma once

enum SetupExitCode : unsigned {
    kExitCompleted = 0,               // ERROR_SUCCESS; files passed over after the user said so count as done
    kExitFolderAccessFailed = 5,      // ERROR_ACCESS_DENIED: a target folder could not be entered
    kExitUserCancelled = 1602,        // ERROR_INSTALL_USEREXIT
    kExitEntriesNotWritten = 1603,    // ERROR_INSTALL_FAILURE: entries failed their check or could not be read
    kExitAlreadyRunning = 1618,       // ERROR_INSTALL_ALREADY_RUNNING: another installer holds the mutex
    kExitPayloadDamaged = 1620,       // ERROR_INSTALL_PACKAGE_INVALID: a payload resource or index failed
};

// The reason for the log's last line ("exit code 1602: cancelled by the user").
const char* ExitCodeReason(unsigned code);

// Writes the install log's last line.
void LogExitCode(unsigned code);

// The install log: one plain-text file per run, "TolvaneSetup.log" in the
// temporary folder, the previous run's kept as "TolvaneSetup.old.log". Each
// line carries the time it was written. A log that cannot be written changes
// nothing: every call is then without effect.
#pragma once

#include <string>

// Starts the log in folder (ending with a separator): keeps the previous log
// under its old name and writes the command line and the mode.
void StartInstallLog(const std::string& folder, const std::string& commandLine, const char* mode);

// One line, printf-style; safe from any thread. Written at once, so that a
// run that ends abruptly keeps every line it logged.
void LogLine(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// The name of the log file in its folder, and of the previous one.
extern const char kInstallLogName[];
extern const char kPreviousInstallLogName[];

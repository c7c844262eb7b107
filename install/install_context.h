// What the install driver works on, and how it talks to the setup window:
// it reports through InstallReporter and ends the run through
// InstallRunControl. The window implements both; the driver touches nothing
// else of it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "payload/container.h"
#include "sysint/status_line.h"

class PayloadUnpacking;

// The four temporary payload files, in the temporary folder.
struct PayloadPaths {
    std::string setupIndex;  // "setupdir.qvai"
    std::string setupData;   // "setupdir.qvas"
    std::string systemIndex; // "windir.qvai"
    std::string systemData;  // "windir.qvas"
};

// Every call comes from the worker thread and waits until the window's
// thread has handled it.
// The status line is StatusLine::SetStatus.
class InstallReporter : public StatusLine {
public:
    // The progress bar: range 0..100, then position n.
    virtual void SetProgress(int n) = 0;
    // Shows or hides the setup window.
    virtual void ShowSetupWindow(bool show) = 0;
    // A message box owned by the setup window; a null caption is the
    // program's name. Returns the button chosen.
    virtual int ShowMessage(const char* text, const char* caption, UINT type) = 0;
};

// How the driver ends the run. Called from the worker thread.
class InstallRunControl {
public:
    virtual ~InstallRunControl() = default;
    // The installation is done: the window takes the installation folder and
    // the program's exit code (SetupExitCode) and switches to its finished
    // state (in the unattended modes it then runs the finish actions and ends
    // the program).
    virtual void Finish(const std::string& installFolder, unsigned exitCode) = 0;
    // Ends the program at once with exitCode, whatever the worker holds. Does
    // not return in the installer.
    virtual void EndProgram(UINT exitCode) = 0;
};

// What the window hands the worker when it starts it.
struct InstallRequest {
    InstallReporter* reporter = nullptr;
    InstallRunControl* control = nullptr;
    bool silent = false;
    PayloadPaths payload;
    // The payload files' unpacking, when the window has one (it may have
    // started it already); without one the worker makes its own.
    PayloadUnpacking* unpacking = nullptr;
};

// The state of one installation, owned by the worker for the whole run.
struct InstallContext {
    InstallContext(InstallReporter& r, InstallRunControl& c, bool s, const PayloadPaths& p)
        : reporter(r), control(c), silent(s), payload(p)
    {
    }

    InstallReporter& reporter;
    InstallRunControl& control;
    bool silent;
    PayloadPaths payload;
    PayloadUnpacking* unpacking = nullptr;  // as in InstallRequest
    // Program Files + "\TolvaneKelm\", and the system folder + "\".
    std::string installFolder;
    std::string systemFolder;
    ContainerIndex setupIndex;
    ContainerIndex systemIndex;
    // The main programs of the lock holders closed before the extraction:
    // those of the installation folder first, then those of the system folder.
    std::vector<std::string> closedPrograms;
    // What went wrong on the way, for the exit code.
    bool payloadDamaged = false;
    size_t failedEntries = 0;
};

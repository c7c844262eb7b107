// A stand-in for the setup window as the install driver sees it: message
// boxes owned by a window of the test, progress recorded, and the program
// ended at once as the installer ends it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "install/install_context.h"

class OwnerReporter : public InstallReporter, public InstallRunControl {
public:
    explicit OwnerReporter(HWND owner) : owner_(owner) {}

    void SetStatus(const char* text) override { statuses.push_back(text); }
    void SetProgress(int n) override { progress.push_back(n); }
    void ShowSetupWindow(bool) override {}
    int ShowMessage(const char* text, const char* caption, UINT type) override
    {
        return ::MessageBoxA(owner_, text, caption ? caption : "TolvaneSetup", type);
    }
    void Finish(const std::string&, unsigned) override {}
    void EndProgram(UINT exitCode) override { ::TerminateProcess(::GetCurrentProcess(), exitCode); }

    std::vector<std::string> statuses;
    std::vector<int> progress;

private:
    HWND owner_;
};

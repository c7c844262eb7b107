#include "run_and_wait.h"

#include "win/handle.h"

#include <shellapi.h>

void RunAndWait(const char* program, const char* parameterTemplate, const std::string& folder)
{
    std::string parameters;
    if (!BuildParameterText(parameterTemplate ? parameterTemplate : "", folder, parameters))
        return;

    SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;  // 0x440
    info.hwnd = nullptr;
    info.lpVerb = "open";
    info.lpFile = program;
    info.lpParameters = parameters.c_str();
    info.lpDirectory = folder.c_str();
    info.nShow = SW_SHOWNORMAL;
    ::ShellExecuteExA(&info);

    KernelHandle process(info.hProcess);
    if (process)
        ::WaitForSingleObject(process.Get(), kRunAndWaitTimeoutMs);
}

#include "sysint/run_and_wait.h"

#include "win/handle.h"
#include "win/install_log.h"

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
    if (!process) {
        LogLine("program not started: %s %s in %s", program, parameters.c_str(), folder.c_str());
        return;
    }
    LogLine("program started: %s %s in %s", program, parameters.c_str(), folder.c_str());
    DWORD exitCode = 0;
    if (::WaitForSingleObject(process.Get(), kRunAndWaitTimeoutMs) == WAIT_OBJECT_0 &&
        ::GetExitCodeProcess(process.Get(), &exitCode))
        LogLine("program ended: %s, exit code %lu", program, static_cast<unsigned long>(exitCode));
    else
        LogLine("program still running after 15 s: %s", program);
}

bool BuildParameterText(const std::string& parameterTemplate, const std::string& folder, std::string& out)
{
    std::string text = parameterTemplate;
    const size_t placeholder = text.find("%s");
    if (placeholder != std::string::npos)
        text.replace(placeholder, 2, folder);
    if (text.size() > kMaxParameterText)
        return false;
    out = text;
    return true;
}

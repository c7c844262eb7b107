#include "token_service.h"

#include "proc/processes.h"
#include "win/install_log.h"

#include <windows.h>
#include <shellapi.h>

void RestartTokenService(const std::vector<std::string>& closedPrograms)
{
    for (const std::string& program : closedPrograms) {
        if (program.empty() || program.find("KSecServ.exe") == std::string::npos)
            continue;
        KillProcessByName("KTPKIEgn.exe");
        HINSTANCE result = ::ShellExecuteA(nullptr, "open", program.c_str(), nullptr, nullptr, SW_SHOW);
        LogLine("program started: %s, no parameters, no working folder (result %d)", program.c_str(),
                static_cast<int>(reinterpret_cast<INT_PTR>(result)));
    }
}

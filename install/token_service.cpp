#include "install/token_service.h"

#include "proc/processes.h"
#include "win/install_log.h"

#include <windows.h>
#include <shellapi.h>

void RestartTokenService(const std::vector<std::string>& closedPrograms, const std::string& installFolder)
{
    const std::string program = installFolder + "KSecServ.exe";
    for (const std::string& closed : closedPrograms) {
        if (closed.empty() || closed.find("KSecServ.exe") == std::string::npos)
            continue;
        if (::lstrcmpiA(closed.c_str(), program.c_str()) != 0) {
            LogLine("program not started again: %s is not the installation's token service", closed.c_str());
            continue;
        }
        KillProcessByName("KTPKIEgn.exe");
        HINSTANCE result = ::ShellExecuteA(nullptr, "open", program.c_str(), nullptr, nullptr, SW_SHOW);
        LogLine("program started: %s, no parameters, no working folder (result %d)", program.c_str(),
                static_cast<int>(reinterpret_cast<INT_PTR>(result)));
    }
}

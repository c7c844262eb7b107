#include "win/winapp.h"

#include "win/path.h"

BOOL CWinApp::InitInstance()
{
    if (m_dwRestartManagerSupportFlags & AFX_RESTART_MANAGER_SUPPORT_RESTART)
        ::RegisterApplicationRestart(nullptr, 0);
    return TRUE;
}

const char* CommandLineTail(const char* full)
{
    if (!full)
        return "";
    auto* p = reinterpret_cast<const unsigned char*>(full);
    if (*p == '"') {
        ++p;
        while (*p && *p != '"')
            ++p;
        if (*p == '"')
            ++p;
    } else {
        while (*p > ' ')
            ++p;
    }
    while (*p && *p <= ' ')
        ++p;
    return reinterpret_cast<const char*>(p);
}

std::string ProgramName()
{
    char path[MAX_PATH] = {};
    DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return "TolvaneSetup";
    std::string name(path, length);
    size_t slash = FindLastSeparator(name);
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0)
        name.erase(dot);
    return name;
}

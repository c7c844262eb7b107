#include "win/winapp.h"

#include "win/path.h"

#include <commctrl.h>

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

bool InitCommonControlsNow(DWORD classes)
{
    // Found through the manifest's activation context, never along a search
    // path that a downloads folder could be on.
    HMODULE library = ::LoadLibraryA("comctl32.dll");
    if (!library)
        return false;
    using InitCommonControlsExFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    const auto init = reinterpret_cast<InitCommonControlsExFn>(
        reinterpret_cast<void*>(::GetProcAddress(library, "InitCommonControlsEx")));
    if (!init)
        return false;
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = classes;
    // The library stays loaded: the window's controls come from it.
    return init(&controls) != FALSE;
}

std::string ProgramFile()
{
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameA(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0)
            return std::string();
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        if (path.size() >= 32768)  // longer than any path Windows has
            return std::string();
        path.resize(path.size() * 2);
    }
}

std::string ProgramName()
{
    std::string name = ProgramFile();
    if (name.empty())
        return "TolvaneSetup";
    size_t slash = FindLastSeparator(name);
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0)
        name.erase(dot);
    return name;
}

// A library that does nothing: the tests copy it under installation names and
// have helper processes load it.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID)
{
    return TRUE;
}

extern "C" __declspec(dllexport) int ProcHelperLibVersion()
{
    return 1;
}

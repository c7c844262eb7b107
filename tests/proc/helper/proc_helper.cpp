// A process for the process-control tests. It carries out its arguments in
// order and then stays until it is terminated:
//   ready=EVENT   set the named event (the test waits for it)
//   wait=EVENT    wait for the named event
//   load=PATH     load the library PATH
//   hold=PATH     open (or create) the file PATH for reading and writing, shared with no one
// Exit code 3 when a library or file cannot be opened.
#include <windows.h>
#include <shellapi.h>

#include <cwchar>

namespace {

bool HasPrefix(const wchar_t* text, const wchar_t* prefix, const wchar_t** rest)
{
    size_t length = wcslen(prefix);
    if (wcsncmp(text, prefix, length))
        return false;
    *rest = text + length;
    return true;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    for (int i = 1; argv && i < argc; ++i) {
        const wchar_t* value = nullptr;
        if (HasPrefix(argv[i], L"ready=", &value)) {
            HANDLE event = OpenEventW(EVENT_MODIFY_STATE, FALSE, value);
            if (event) {
                SetEvent(event);
                CloseHandle(event);
            }
        } else if (HasPrefix(argv[i], L"wait=", &value)) {
            HANDLE event = OpenEventW(SYNCHRONIZE, FALSE, value);
            if (event) {
                WaitForSingleObject(event, INFINITE);
                CloseHandle(event);
            }
        } else if (HasPrefix(argv[i], L"load=", &value)) {
            if (!LoadLibraryW(value))
                return 3;
        } else if (HasPrefix(argv[i], L"hold=", &value)) {
            HANDLE file = CreateFileW(value, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
            if (file == INVALID_HANDLE_VALUE)
                return 3;
        }
    }
    LocalFree(argv);
    for (;;)
        Sleep(1000);
}

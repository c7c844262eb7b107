// Runs installers one after another inside one Wine prefix and prints, for
// each, the seconds from its start to its end and the peak working set of its
// process (sampled while it runs, and once more at its end).
//
//   peer_runner.exe LABEL PROGRAM ARG [LABEL PROGRAM ARG ...]
// prints one line per run: "LABEL SECONDS PEAK_MIB EXIT_CODE".
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>

namespace {

double Seconds()
{
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

SIZE_T PeakWorkingSet(HANDLE process)
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    return GetProcessMemoryInfo(process, &counters, sizeof counters) ? counters.PeakWorkingSetSize : 0;
}

int RunOne(const wchar_t* label, const wchar_t* program, const wchar_t* argument)
{
    std::wstring commandLine = std::wstring(L"\"") + program + L"\"";
    if (*argument)
        commandLine += std::wstring(L" ") + argument;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    const double start = Seconds();
    if (!CreateProcessW(program, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        std::fwprintf(stderr, L"peer_runner: cannot start %ls (%lu)\n", program, GetLastError());
        return 2;
    }
    SIZE_T peak = 0;
    while (WaitForSingleObject(info.hProcess, 20) == WAIT_TIMEOUT) {
        const SIZE_T now = PeakWorkingSet(info.hProcess);
        if (now > peak)
            peak = now;
    }
    const double seconds = Seconds() - start;
    const SIZE_T last = PeakWorkingSet(info.hProcess);
    if (last > peak)
        peak = last;
    DWORD code = 0;
    GetExitCodeProcess(info.hProcess, &code);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    std::wprintf(L"%ls %.3f %.1f %lu\n", label, seconds, static_cast<double>(peak) / 1048576.0, code);
    std::fflush(stdout);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 4 || (argc - 1) % 3 != 0) {
        std::fputs("usage: peer_runner.exe LABEL PROGRAM ARG [LABEL PROGRAM ARG ...]\n", stderr);
        return 2;
    }
    for (int i = 1; i + 2 < argc; i += 3)
        if (RunOne(argv[i], argv[i + 1], argv[i + 2]) != 0)
            return 2;
    return 0;
}

// The installer's payload code on its own, timed for bench/run under Wine:
//   bench_payload unpack IN.lzma OUT       unpacks IN from memory, as the installer unpacks its resources
//   bench_payload extract INDEX.qvai DEST  writes each changed entry of the container below DEST
// Prints one line "seconds S peak_mib M": the time of the step itself (Wine's
// start-up not included) and the process's peak working set.
#include <windows.h>
#include <psapi.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "payload/container.h"
#include "payload/extract.h"
#include "payload/fileio.h"
#include "payload/report.h"
#include "payload/unpack.h"

namespace {

// A whole file mapped read-only, as the installer's resources are.
class MappedFile {
public:
    ~MappedFile()
    {
        if (view_)
            UnmapViewOfFile(view_);
        if (mapping_)
            CloseHandle(mapping_);
        if (file_ != INVALID_HANDLE_VALUE)
            CloseHandle(file_);
    }

    bool Open(const char* path)
    {
        file_ = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file_ == INVALID_HANDLE_VALUE)
            return false;
        LARGE_INTEGER size;
        if (!GetFileSizeEx(file_, &size) || size.QuadPart == 0 || size.QuadPart > 0x7FFFFFFF)
            return false;
        size_ = static_cast<size_t>(size.QuadPart);
        mapping_ = CreateFileMappingA(file_, nullptr, PAGE_READONLY, 0, 0, nullptr);
        if (!mapping_)
            return false;
        view_ = MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, 0);
        return view_ != nullptr;
    }

    const uint8_t* Data() const { return static_cast<const uint8_t*>(view_); }
    size_t Size() const { return size_; }

private:
    HANDLE file_ = INVALID_HANDLE_VALUE;
    HANDLE mapping_ = nullptr;
    void* view_ = nullptr;
    size_t size_ = 0;
};

// The extraction's window: nothing to close, and a file that cannot be
// written is counted and passed over.
class CountingWindow : public ExtractionCallbacks {
public:
    void EntryError(const std::string& name) override { reporter_.EntryError(name); }
    void Diagnostic(const std::string& line) override { reporter_.Diagnostic(line); }
    void SetProgress(int) override {}
    bool CloseLockHolders(const std::string&, const ContainerIndex&) override { return false; }
    bool AskIgnoreUnwritable(const std::string& target) override
    {
        std::fprintf(stderr, "bench_payload: cannot write %s\n", target.c_str());
        ++unwritable;
        return true;
    }
    void FailFolderAccess() override { folderFailed = true; }

    int unwritable = 0;
    bool folderFailed = false;

private:
    PrintingReporter reporter_;
};

class Stopwatch {
public:
    Stopwatch() { QueryPerformanceCounter(&start_); }
    double Seconds() const
    {
        LARGE_INTEGER now, frequency;
        QueryPerformanceCounter(&now);
        QueryPerformanceFrequency(&frequency);
        return static_cast<double>(now.QuadPart - start_.QuadPart) / static_cast<double>(frequency.QuadPart);
    }

private:
    LARGE_INTEGER start_;
};

int Report(double seconds)
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    std::printf("seconds %.3f peak_mib %.1f\n", seconds, counters.PeakWorkingSetSize / 1048576.0);
    return 0;
}

int Unpack(const char* in, const char* out)
{
    MappedFile input;
    if (!input.Open(in)) {
        std::fprintf(stderr, "bench_payload: cannot map %s\n", in);
        return 2;
    }
    Stopwatch watch;
    File target;
    PrintingReporter reporter;
    if (!target.OpenWrite(out) ||
        !UnpackResourceInto(input.Data(), input.Size(), target, out, reporter) ||
        !target.Close()) {
        std::fprintf(stderr, "bench_payload: unpacking %s failed\n", in);
        return 1;
    }
    return Report(watch.Seconds());
}

int Extract(const char* indexPath, std::string dest)
{
    if (dest.empty() || dest.back() != '\\')
        dest += '\\';
    CreateDirectoryA(dest.c_str(), nullptr);
    Stopwatch watch;
    ContainerIndex setup, system;  // no system container
    if (!LoadContainerIndex(indexPath, setup)) {
        std::fprintf(stderr, "bench_payload: cannot load %s\n", indexPath);
        return 2;
    }
    CountingWindow window;
    ExtractContainers(dest, dest, window, setup, system, nullptr);
    const double seconds = watch.Seconds();
    if (window.folderFailed || window.unwritable)
        return 1;
    return Report(seconds);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && !std::strcmp(argv[1], "unpack"))
        return Unpack(argv[2], argv[3]);
    if (argc == 4 && !std::strcmp(argv[1], "extract"))
        return Extract(argv[2], argv[3]);
    std::fprintf(stderr, "usage: bench_payload unpack IN.lzma OUT | extract INDEX.qvai DEST\n");
    return 2;
}

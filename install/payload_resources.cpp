#include "install/payload_resources.h"

#include "payload/fileio.h"
#include "payload/unpack.h"
#include "win/install_log.h"
#include "win/winapp.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

// The compressed bytes go to the decoder a window at a time: no more than
// about two windows of them are ever in memory.
constexpr size_t kResourceWindow = 64 * 1024;

// How far beyond the bytes it needs a waiting reader of a data file waits.
constexpr int64_t kWakeStretch = 1024 * 1024;

// How many of a resource's first bytes must be the same in the program file
// as in the image before the file is read in the image's place.
constexpr size_t kCompareLength = 32;

// The program's own image as it is mapped, and its headers.
const uint8_t* ImageBase() { return reinterpret_cast<const uint8_t*>(::GetModuleHandleA(nullptr)); }

const IMAGE_NT_HEADERS& ImageHeaders()
{
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(ImageBase());
    return *reinterpret_cast<const IMAGE_NT_HEADERS*>(ImageBase() + dos->e_lfanew);
}

// Whether the image's sections are mapped from the program file page by
// page, so that a page given back is read from the file again if it is
// ever touched again. Wine maps a section that does not start on a page
// boundary of the file into memory of its own instead, and a page of that
// memory, once reset, would be lost; such pages are left alone.
bool SectionsMappedFromFile(size_t pageSize)
{
    return ImageHeaders().OptionalHeader.FileAlignment % pageSize == 0;
}

size_t PageSize()
{
    SYSTEM_INFO system{};
    ::GetSystemInfo(&system);
    return system.dwPageSize ? system.dwPageSize : 4096;
}

// The bytes of a resource of the program's own image as it is mapped, read
// front to back: where the program file cannot be read (below).
class ResourceBytes : public ByteSource {
public:
    ResourceBytes(const uint8_t* data, size_t size)
        : data_(data), size_(size), page_(PageSize()), reset_(SectionsMappedFromFile(page_))
    {
    }
    ~ResourceBytes() override { GiveBack(); }
    ResourceBytes(const ResourceBytes&) = delete;
    ResourceBytes& operator=(const ResourceBytes&) = delete;

    uint64_t Size() const override { return size_; }
    size_t Peek(const uint8_t** data) override
    {
        *data = data_ + pos_;
        return size_ - pos_ < kResourceWindow ? size_ - pos_ : kResourceWindow;
    }
    void Skip(size_t count) override
    {
        pos_ += count;
        if (pos_ - givenBack_ >= kResourceWindow)
            GiveBack();
    }

private:
    // Gives back the whole pages behind the decoder: out of the working set
    // (VirtualUnlock on pages that are not locked does that on Windows), and
    // reset where they come from the file (Wine then drops them). Every time
    // from the resource's first page on: Linux maps pages around a fault that
    // it has read ahead, behind the fault too, so pages given back once can
    // come back, and resetting pages that are out already costs next to
    // nothing.
    void GiveBack()
    {
        const uintptr_t first = (reinterpret_cast<uintptr_t>(data_) + page_ - 1) / page_ * page_;
        const uintptr_t end = reinterpret_cast<uintptr_t>(data_ + pos_) / page_ * page_;
        if (end <= first)
            return;
        void* pages = reinterpret_cast<void*>(first);
        ::VirtualUnlock(pages, end - first);
        if (reset_)
            ::VirtualAlloc(pages, end - first, MEM_RESET, PAGE_READONLY);
        givenBack_ = end - reinterpret_cast<uintptr_t>(data_);
    }

    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    size_t givenBack_ = 0;
    size_t page_;
    bool reset_;
};

// Where a resource's bytes lie in the program file: the image's own section
// table turns their address into a file offset. False when they do not lie
// wholly within the bytes that a section takes from the file.
bool FindFileOffset(const uint8_t* data, size_t size, uint64_t& offset)
{
    const IMAGE_NT_HEADERS& headers = ImageHeaders();
    const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(&headers);
    const uintptr_t address = reinterpret_cast<uintptr_t>(data) - reinterpret_cast<uintptr_t>(ImageBase());
    for (WORD i = 0; i < headers.FileHeader.NumberOfSections; ++i, ++section) {
        const uintptr_t start = section->VirtualAddress;
        if (address < start || address - start > section->SizeOfRawData ||
            size > section->SizeOfRawData - (address - start))
            continue;
        offset = static_cast<uint64_t>(section->PointerToRawData) + (address - start);
        return true;
    }
    return false;
}

// Opens programFile at the resource's bytes, when its first bytes there are
// the image's. Reading through the file keeps the compressed bytes out of
// the working set, without the page faults of the mapping. The file is
// found by its name, which another program of the user may have pointed
// elsewhere since the start: every entry is checked against its digest from
// the image's own index before it is written, so bytes from another file
// can only fail, and a file that differs at the start is not used at all.
bool OpenResourceInFile(const std::string& programFile, const uint8_t* data, size_t size, File& file)
{
    uint64_t offset = 0;
    if (!FindFileOffset(data, size, offset) || !file.OpenRead(programFile) ||
        !file.Seek(static_cast<int64_t>(offset)))
        return false;
    uint8_t first[kCompareLength];
    const size_t compared = size < kCompareLength ? size : kCompareLength;
    return file.Read(first, compared) == compared && std::memcmp(first, data, compared) == 0 &&
           file.Seek(static_cast<int64_t>(offset));
}

}  // namespace

LockedResource LockPayloadResource(int resourceId)
{
    LockedResource resource;
    HRSRC info = ::FindResourceA(nullptr, MAKEINTRESOURCEA(resourceId), "qva");
    if (!info)
        return resource;
    const DWORD size = ::SizeofResource(nullptr, info);
    HGLOBAL loaded = ::LoadResource(nullptr, info);
    if (!loaded)
        return resource;
    resource.bytes = static_cast<const uint8_t*>(::LockResource(loaded));
    resource.size = resource.bytes ? size : 0;
    return resource;
}

bool UnpackLockedResource(const LockedResource& resource, const std::string& targetPath, File& held,
                          PayloadReporter& reporter, UnpackProgress* progress, const std::string& programFile)
{
    if (!resource.bytes)
        return false;
    held.CreateExclusive(targetPath);
    File file;
    if (OpenResourceInFile(programFile, resource.bytes, resource.size, file)) {
        FileSource source(file, resource.size, kResourceWindow);
        return UnpackSourceInto(source, held, targetPath, reporter, progress);
    }
    ResourceBytes source(resource.bytes, resource.size);
    return UnpackSourceInto(source, held, targetPath, reporter, progress);
}

bool UnpackPayloadResource(int resourceId, const std::string& targetPath, File& held, PayloadReporter& reporter)
{
    return UnpackLockedResource(LockPayloadResource(resourceId), targetPath, held, reporter, nullptr, ProgramFile());
}

// Tells the waiting readers how far one file is written.
class BackgroundUnpacking::Progress : public UnpackProgress {
public:
    Progress(BackgroundUnpacking& owner, size_t index) : owner_(owner), index_(index) {}
    void Written(uint64_t bytes) override
    {
        // Waking a reader before what it waits for is there would only take
        // the decoder's processor from it.
        std::lock_guard<std::mutex> guard(owner_.lock_);
        State& state = owner_.states_[index_];
        state.written = static_cast<int64_t>(bytes);
        if (state.written >= state.wakeAt) {
            state.wakeAt = kNobodyWaits;
            owner_.changed_.notify_all();
        }
    }

private:
    BackgroundUnpacking& owner_;
    size_t index_;
};

BackgroundUnpacking::~BackgroundUnpacking() { Finish(); }

void BackgroundUnpacking::Start(const std::vector<Resource>& resources, const std::string& programFile,
                                PayloadReporter& reporter)
{
    resources_ = resources;
    programFile_ = programFile;
    reporter_ = &reporter;
    states_.assign(resources_.size(), State());
    thread_ = std::thread(&BackgroundUnpacking::Run, this);
    std::unique_lock<std::mutex> guard(lock_);
    changed_.wait(guard, [this] { return running_; });
}

void BackgroundUnpacking::Run()
{
    {
        std::lock_guard<std::mutex> guard(lock_);
        running_ = true;
        changed_.notify_all();
    }
    LARGE_INTEGER frequency, start, end;
    ::QueryPerformanceFrequency(&frequency);
    for (size_t i = 0; i < resources_.size(); ++i) {
        Progress progress(*this, i);
        ::QueryPerformanceCounter(&start);
        const bool unpacked = UnpackLockedResource(resources_[i].locked, resources_[i].targetPath,
                                                   *resources_[i].held, *reporter_, &progress, programFile_);
        ::QueryPerformanceCounter(&end);
        LogLine("payload resource %d %s in %.3f s, beside the installation", resources_[i].resourceId,
                unpacked ? "unpacked" : "failed", static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart);
        std::lock_guard<std::mutex> guard(lock_);
        states_[i].done = true;
        states_[i].unpacked = unpacked;
        changed_.notify_all();
    }
}

void BackgroundUnpacking::Finish()
{
    if (thread_.joinable())
        thread_.join();
}

bool BackgroundUnpacking::Unpacked(size_t i) const
{
    std::lock_guard<std::mutex> guard(lock_);
    return i < states_.size() && states_[i].done && states_[i].unpacked;
}

bool BackgroundUnpacking::WaitForData(const std::string& dataFile, int64_t end) const
{
    for (size_t i = 0; i < resources_.size(); ++i) {
        if (resources_[i].targetPath != dataFile)
            continue;
        std::unique_lock<std::mutex> guard(lock_);
        const State& state = states_[i];
        // A reader that has to wait is woken once a good stretch beyond its
        // bytes is there, or the file is complete: one wake-up then serves
        // many small entries, and each wake-up takes the decoder's
        // processor from it for a moment.
        const int64_t wakeAt = state.written >= end ? end : end + kWakeStretch;
        while (!state.done && state.written < wakeAt) {
            state.wakeAt = std::min(state.wakeAt, wakeAt);
            changed_.wait(guard);
        }
        return !state.done || state.unpacked;
    }
    return true;
}

void PayloadUnpacking::StartDataFiles(const PayloadPaths& paths)
{
    if (started_)
        return;
    started_ = true;
    std::vector<BackgroundUnpacking::Resource> resources;
    for (const PayloadResource& row : PayloadResources) {
        if (row.inBackground)
            resources.push_back(
                {row.resourceId, LockPayloadResource(row.resourceId), paths.*row.targetPath, &(held.*row.held)});
    }
    LogLine("payload data files: unpacking started");
    data.Start(resources, ProgramFile(), reporter);
}

std::string CorruptionMessage(int code)
{
    char text[128];
    std::snprintf(text, sizeof text, "安装程序被损坏,请重新下载!\nCode=%d", code);
    return text;
}

#include "install/payload_resources.h"

#include "payload/fileio.h"
#include "payload/unpack.h"
#include "win/install_log.h"

#include <windows.h>

#include <cstdio>

namespace {

// The compressed bytes go to the decoder a window at a time, and the pages
// of each window are given back once the decoder is past them: no more
// than about two windows of them are ever in memory.
constexpr size_t kResourceWindow = 64 * 1024;

// Whether the image's sections are mapped from the program file page by
// page, so that a page given back is read from the file again if it is
// ever touched again. Wine maps a section that does not start on a page
// boundary of the file into memory of its own instead, and a page of that
// memory, once reset, would be lost; such pages are left alone.
bool SectionsMappedFromFile()
{
    const auto* base = reinterpret_cast<const uint8_t*>(::GetModuleHandleA(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    SYSTEM_INFO system{};
    ::GetSystemInfo(&system);
    return system.dwPageSize != 0 && headers->OptionalHeader.FileAlignment % system.dwPageSize == 0;
}

// The bytes of a resource of the program's own image, read front to back.
class ResourceBytes : public ByteSource {
public:
    ResourceBytes(const uint8_t* data, size_t size) : data_(data), size_(size), reset_(SectionsMappedFromFile())
    {
        SYSTEM_INFO system{};
        ::GetSystemInfo(&system);
        page_ = system.dwPageSize ? system.dwPageSize : 4096;
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

}  // namespace

bool UnpackPayloadResource(int resourceId, const std::string& targetPath, File& held, PayloadReporter& reporter,
                           UnpackProgress* progress)
{
    HRSRC info = ::FindResourceA(nullptr, MAKEINTRESOURCEA(resourceId), "qva");
    if (!info)
        return false;
    DWORD size = ::SizeofResource(nullptr, info);
    HGLOBAL loaded = ::LoadResource(nullptr, info);
    if (!loaded)
        return false;
    const void* bytes = ::LockResource(loaded);
    if (!bytes)
        return false;
    held.CreateExclusive(targetPath);
    ResourceBytes source(static_cast<const uint8_t*>(bytes), size);
    return UnpackSourceInto(source, held, targetPath, reporter, progress);
}

// Tells the waiting readers how far one file is written.
class BackgroundUnpacking::Progress : public UnpackProgress {
public:
    Progress(BackgroundUnpacking& owner, size_t index) : owner_(owner), index_(index) {}
    void Written(uint64_t bytes) override
    {
        std::lock_guard<std::mutex> guard(owner_.lock_);
        owner_.states_[index_].written = static_cast<int64_t>(bytes);
        owner_.changed_.notify_all();
    }

private:
    BackgroundUnpacking& owner_;
    size_t index_;
};

BackgroundUnpacking::~BackgroundUnpacking() { Finish(); }

void BackgroundUnpacking::Start(const std::vector<Resource>& resources, PayloadReporter& reporter)
{
    resources_ = resources;
    reporter_ = &reporter;
    states_.assign(resources_.size(), State());
    thread_ = std::thread(&BackgroundUnpacking::Run, this);
}

void BackgroundUnpacking::Run()
{
    LARGE_INTEGER frequency, start, end;
    ::QueryPerformanceFrequency(&frequency);
    for (size_t i = 0; i < resources_.size(); ++i) {
        Progress progress(*this, i);
        ::QueryPerformanceCounter(&start);
        const bool unpacked =
            UnpackPayloadResource(resources_[i].resourceId, resources_[i].targetPath, *resources_[i].held,
                                  *reporter_, &progress);
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
        changed_.wait(guard, [&] { return states_[i].done || states_[i].written >= end; });
        return !states_[i].done || states_[i].unpacked;
    }
    return true;
}

std::string CorruptionMessage(int code)
{
    char text[128];
    std::snprintf(text, sizeof text, "安装程序被损坏,请重新下载!\nCode=%d", code);
    return text;
}

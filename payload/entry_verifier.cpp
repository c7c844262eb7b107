#include "payload/entry_verifier.h"

#include "payload/report.h"

#include <cstring>

void EntryVerifier::Stop()
{
    {
        std::lock_guard<std::mutex> guard(lock_);
        stop_ = true;
    }
    if (thread_.joinable())
        thread_.join();
}

void EntryVerifier::Start(const ContainerIndex& first, const ContainerIndex& second, const PinnedFiles* pins,
                          const DataFileGate* gate)
{
    pins_ = pins;
    gate_ = gate;
    for (const ContainerIndex* index : {&first, &second}) {
        for (const auto& named : index->entries) {
            const ContainerEntry& entry = named.second;
            if (entry.size <= 0)
                continue;
            if (slotOf_.emplace(std::make_pair(entry.dataFile, entry.name), slots_.size()).second)
                slots_.push_back({entry, EntryCheck::Unreadable});
        }
    }
    if (!slots_.empty())
        thread_ = std::thread(&EntryVerifier::Run, this);
}

void EntryVerifier::Run()
{
    // Only checks: the verdicts are reported where the extraction reaches them.
    QuietReporter quiet;
    EntryWorkspace workspace(quiet);
    workspace.PinFiles(pins_);
    for (size_t i = 0; i < slots_.size(); ++i) {
        {
            std::lock_guard<std::mutex> guard(lock_);
            if (stop_)
                break;
        }
        const ContainerEntry& entry = slots_[i].entry;
        const bool there =
            !gate_ || gate_->WaitForData(entry.dataFile, static_cast<int64_t>(entry.offset) + entry.size);
        const EntryCheck check = there ? CheckEntry(entry, workspace) : EntryCheck::Unreadable;
        std::lock_guard<std::mutex> guard(lock_);
        slots_[i].check = check;
        checked_ = i + 1;
        progress_.notify_all();
    }
    // Stopped early: whoever still waits checks for itself.
    std::lock_guard<std::mutex> guard(lock_);
    stop_ = true;
    progress_.notify_all();
}

bool EntryVerifier::Verdict(const ContainerEntry& entry, EntryCheck& check) const
{
    auto found = slotOf_.find(std::make_pair(entry.dataFile, entry.name));
    if (found == slotOf_.end())
        return false;
    const size_t slot = found->second;
    const ContainerEntry& checked = slots_[slot].entry;
    if (checked.offset != entry.offset || checked.size != entry.size || checked.scrambled != entry.scrambled ||
        std::memcmp(checked.digest, entry.digest, kSm3Size) != 0)
        return false;
    std::unique_lock<std::mutex> guard(lock_);
    progress_.wait(guard, [&] { return checked_ > slot || stop_; });
    if (checked_ <= slot)
        return false;
    check = slots_[slot].check;
    return true;
}

// Checking container entries against their digests ahead of the extraction,
// on a thread of its own.
//
// The installer starts it with the extraction, while its data files are
// still being unpacked: the checking follows the unpacking entry by entry on
// a processor core of its own, and the extraction, a little behind, only
// compares and writes. Only data files that nobody else can change may be
// checked ahead like this (the installer holds its temporary payload files
// open for writing, sharing reading only, until the extraction is done).
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "payload/container.h"
#include "payload/entry.h"

// Data files that are still being written when the checking starts (the
// installer unpacks them on a thread of its own): the checking of an entry
// waits until its bytes are there.
class DataFileGate {
public:
    virtual ~DataFileGate() = default;
    // Waits until dataFile holds its bytes up to end. False when it never
    // will (its unpacking failed): its entries are then unreadable.
    virtual bool WaitForData(const std::string& dataFile, int64_t end) const = 0;
};

class EntryVerifier {
public:
    EntryVerifier() = default;
    // Stops checking (after the entry at hand) and waits for the thread.
    ~EntryVerifier() { Stop(); }
    EntryVerifier(const EntryVerifier&) = delete;
    EntryVerifier& operator=(const EntryVerifier&) = delete;

    // Starts checking every entry of the indexes, in their walk order, the
    // first index before the second. Empty entries are left to the
    // extraction. The data files of pins are read through their held
    // handles (pins must outlive the checking). With gate, each entry is
    // checked once its data file holds its bytes (gate must outlive the
    // checking). Called once.
    void Start(const ContainerIndex& first, const ContainerIndex& second, const PinnedFiles* pins = nullptr,
               const DataFileGate* gate = nullptr);

    // What checking entry found, waiting until the thread has checked it.
    // False when entry is not one the thread checks (another name, data
    // file, place, size or digest): the caller checks it itself.
    bool Verdict(const ContainerEntry& entry, EntryCheck& check) const;

    // Stops checking after the entry at hand and waits for the thread; the
    // data files are not read any more. Verdicts not reached are not given.
    void Stop();

private:
    const PinnedFiles* pins_ = nullptr;
    const DataFileGate* gate_ = nullptr;
    struct Slot {
        ContainerEntry entry;
        EntryCheck check = EntryCheck::Unreadable;
    };

    void Run();

    std::vector<Slot> slots_;
    // (data file, name) to the slot: filled before the thread starts, only read afterwards.
    std::map<std::pair<std::string, std::string>, size_t> slotOf_;
    mutable std::mutex lock_;
    mutable std::condition_variable progress_;
    size_t checked_ = 0;  // slots [0, checked_) hold their result
    bool stop_ = false;
    std::thread thread_;
};

// What was read about running processes in this run, kept by process, so
// that each is opened and read once.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <utility>

// Which process a kept value belongs to. A process id is given to a later
// process once its process has ended; the time a process started tells the
// two apart.
enum class ProcessIdentity {
    // The id alone: a later process under the id of one that ended is
    // judged by what was read for that one.
    Id,
    // The id and the start time: a later process under the same id is read anew.
    IdAndStartTime,
};

// Safe from any thread.
template <typename Value>
class ProcessCache {
public:
    explicit ProcessCache(ProcessIdentity identity) : identity_(identity) {}
    ProcessCache(const ProcessCache&) = delete;
    ProcessCache& operator=(const ProcessCache&) = delete;

    // A copy of the value kept for the process into value; false when none
    // is kept. created (the start time) counts only where the identity says so.
    bool Find(uint32_t pid, uint64_t created, Value& value) const
    {
        std::lock_guard<std::mutex> guard(lock_);
        auto found = values_.find(KeyOf(pid, created));
        if (found == values_.end())
            return false;
        value = found->second;
        return true;
    }

    // Keeps value for the process; a value kept before stays.
    void Keep(uint32_t pid, uint64_t created, const Value& value)
    {
        std::lock_guard<std::mutex> guard(lock_);
        values_.emplace(KeyOf(pid, created), value);
    }

    bool Holds(uint32_t pid, uint64_t created) const
    {
        std::lock_guard<std::mutex> guard(lock_);
        return values_.count(KeyOf(pid, created)) != 0;
    }

private:
    std::pair<uint32_t, uint64_t> KeyOf(uint32_t pid, uint64_t created) const
    {
        return {pid, identity_ == ProcessIdentity::IdAndStartTime ? created : 0};
    }

    const ProcessIdentity identity_;
    mutable std::mutex lock_;
    std::map<std::pair<uint32_t, uint64_t>, Value> values_;
};

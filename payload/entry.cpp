#include "entry.h"

#include <cstring>
#include <memory>
#include <new>

#include "fileio.h"
#include "report.h"
#include "sm3.h"
#include "tree.h"

namespace {

constexpr size_t kCompareChunk = 1 << 20;

enum class ReadStatus { Ok, Mismatch, Incomplete };

// Reads and descrambles the entry's size bytes into buffer and checks them.
// Incomplete when the data file cannot be opened or does not hold them all.
ReadStatus ReadEntryBytes(const ContainerEntry& entry, uint8_t* buffer)
{
    if (entry.offset < 0 || entry.size < 0)
        return ReadStatus::Incomplete;
    File data;
    if (!data.OpenRead(entry.dataFile))
        return ReadStatus::Incomplete;
    if (data.Length() < static_cast<int64_t>(entry.offset) + entry.size || !data.Seek(entry.offset))
        return ReadStatus::Incomplete;
    const size_t size = static_cast<size_t>(entry.size);
    if (data.Read(buffer, size) != size)
        return ReadStatus::Incomplete;
    if (entry.scrambled)
        for (size_t i = 0; i < size; ++i)
            buffer[i] = DescrambleByte(buffer[i]);

    uint8_t digest[kSm3Size];
    ComputeSm3(buffer, size, digest);
    return std::memcmp(digest, entry.digest, kSm3Size) == 0 ? ReadStatus::Ok : ReadStatus::Mismatch;
}

// True when the file at path holds exactly the size bytes of content.
bool TargetHolds(const std::string& path, const uint8_t* content, size_t size)
{
    File target;
    if (!target.OpenRead(path) || target.Length() != static_cast<int64_t>(size))
        return false;
    std::unique_ptr<uint8_t[]> chunk(new (std::nothrow) uint8_t[kCompareChunk]);
    if (!chunk)
        return false;
    for (size_t done = 0; done < size;) {
        size_t want = size - done < kCompareChunk ? size - done : kCompareChunk;
        if (target.Read(chunk.get(), want) != want || std::memcmp(chunk.get(), content + done, want) != 0)
            return false;
        done += want;
    }
    return true;
}

// An empty entry has nothing to compare or rewrite: an existing target stays
// as it is, a missing one is created empty.
WriteResult WriteEmptyEntry(const ContainerEntry& entry, const std::string& targetPath)
{
    uint8_t digest[kSm3Size];
    ComputeSm3(nullptr, 0, digest);
    const bool verified = std::memcmp(digest, entry.digest, kSm3Size) == 0;
    if (!verified)
        CurrentPayloadReporter().EntryError(entry.name);
    if (FileExists(targetPath))
        return {WriteOutcome::Unchanged, verified};
    File target;
    if (!target.OpenWrite(targetPath))
        return {WriteOutcome::OpenFailed, verified};
    return {target.Close() ? WriteOutcome::Written : WriteOutcome::WriteFailed, verified};
}

}  // namespace

bool ReadEntry(const std::string& name, uint8_t* buffer, const ContainerIndex& index, int32_t capacity)
{
    const ContainerEntry* entry = index.Find(name);
    if (!entry || entry->size > capacity)
        return false;
    return ReadEntryBytes(*entry, buffer) == ReadStatus::Ok;
}

WriteResult WriteEntry(const std::string& name, const ContainerIndex& index, const std::string& targetPath)
{
    const ContainerEntry* entry = index.Find(name);
    if (!entry)
        return {WriteOutcome::Missing, true};
    if (entry->size == 0)
        return WriteEmptyEntry(*entry, targetPath);

    std::unique_ptr<uint8_t[]> content;
    if (entry->size > 0)
        content.reset(new (std::nothrow) uint8_t[static_cast<size_t>(entry->size)]);
    ReadStatus status = content ? ReadEntryBytes(*entry, content.get()) : ReadStatus::Incomplete;
    if (status != ReadStatus::Ok)
        CurrentPayloadReporter().EntryError(entry->name);
    // Bytes that were never read are not content: the target stays as it was.
    if (status == ReadStatus::Incomplete)
        return {WriteOutcome::Unreadable, false};

    const bool verified = status == ReadStatus::Ok;
    const size_t size = static_cast<size_t>(entry->size);
    if (TargetHolds(targetPath, content.get(), size))
        return {WriteOutcome::Unchanged, verified};

    DeleteFilePath(targetPath);
    File target;
    if (!target.OpenWrite(targetPath))
        return {WriteOutcome::OpenFailed, verified};
    bool written = target.Write(content.get(), size);
    written = target.Close() && written;
    return {written ? WriteOutcome::Written : WriteOutcome::WriteFailed, verified};
}

bool WriteEntryIfChanged(const std::string& name, const ContainerIndex& index, const std::string& targetPath)
{
    WriteOutcome outcome = WriteEntry(name, index, targetPath).outcome;
    return outcome == WriteOutcome::Written || outcome == WriteOutcome::Unchanged;
}

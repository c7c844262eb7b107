#include "entry.h"

#include <cstring>
#include <memory>
#include <new>

#include "fileio.h"
#include "report.h"
#include "sm3.h"
#include "tree.h"

namespace {

// DescrambleByte over a whole range, four bytes at a time where it can.
void DescrambleBytes(uint8_t* bytes, size_t count)
{
    constexpr uint32_t kLowHalves = 0x0F0F0F0Fu;
    constexpr uint32_t kKeyWord = kContainerKey * 0x01010101u;
    size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        uint32_t word;
        std::memcpy(&word, bytes + i, 4);
        word = (((word & kLowHalves) << 4) | ((word >> 4) & kLowHalves)) ^ kKeyWord;
        std::memcpy(bytes + i, &word, 4);
    }
    for (; i < count; ++i)
        bytes[i] = DescrambleByte(bytes[i]);
}

// The plain bytes of one entry, read front to back from its data file.
class EntryBytes {
public:
    // False when the data file cannot be opened or does not hold all of the
    // entry's bytes.
    bool Open(const ContainerEntry& entry)
    {
        scrambled_ = entry.scrambled;
        if (entry.offset < 0 || entry.size < 0 || !data_.OpenRead(entry.dataFile))
            return false;
        return data_.Length() >= static_cast<int64_t>(entry.offset) + entry.size && data_.Seek(entry.offset);
    }

    // The next count plain bytes; false when they cannot all be read.
    bool Read(uint8_t* buffer, size_t count)
    {
        if (data_.Read(buffer, count) != count)
            return false;
        if (scrambled_)
            DescrambleBytes(buffer, count);
        return true;
    }

private:
    File data_;
    bool scrambled_ = false;
};

// One chunk of an entry, and one of its target while they are compared.
struct ChunkBuffers {
    explicit ChunkBuffers(size_t entrySize)
        : size(entrySize < kEntryChunkSize ? entrySize : kEntryChunkSize),
          content(new (std::nothrow) uint8_t[size ? size : 1])
    {
    }
    bool AllocateTarget()
    {
        target.reset(new (std::nothrow) uint8_t[size ? size : 1]);
        return target != nullptr;
    }
    size_t size;
    std::unique_ptr<uint8_t[]> content;
    std::unique_ptr<uint8_t[]> target;
};

size_t ChunkAt(size_t done, size_t total, size_t chunk) { return total - done < chunk ? total - done : chunk; }

// The first pass: reads the entry chunk by chunk, checks its digest and,
// when target is given (open, of the entry's length), compares it with the
// target's bytes. sameAsTarget tells whether every byte matched.
EntryCheck CheckAndCompare(const ContainerEntry& entry, ChunkBuffers& buffers, File* target, bool& sameAsTarget)
{
    sameAsTarget = target != nullptr;
    EntryBytes bytes;
    Sm3Hasher hasher;
    if (!hasher.Ok() || !buffers.content || !bytes.Open(entry))
        return EntryCheck::Unreadable;
    const size_t size = static_cast<size_t>(entry.size);
    for (size_t done = 0; done < size;) {
        const size_t want = ChunkAt(done, size, buffers.size);
        if (!bytes.Read(buffers.content.get(), want))
            return EntryCheck::Unreadable;
        hasher.Update(buffers.content.get(), want);
        if (sameAsTarget)
            sameAsTarget = target->Read(buffers.target.get(), want) == want &&
                           std::memcmp(buffers.target.get(), buffers.content.get(), want) == 0;
        done += want;
    }
    uint8_t digest[kSm3Size];
    hasher.Final(digest);
    return std::memcmp(digest, entry.digest, kSm3Size) == 0 ? EntryCheck::Ok : EntryCheck::Mismatch;
}

// The second pass: writes the entry into the open target. An entry of one
// chunk is still in the content buffer from the first pass.
bool WriteContent(const ContainerEntry& entry, ChunkBuffers& buffers, File& target, bool& readAgainFailed)
{
    const size_t size = static_cast<size_t>(entry.size);
    if (size <= buffers.size)
        return target.Write(buffers.content.get(), size);
    EntryBytes bytes;
    if (!bytes.Open(entry)) {
        readAgainFailed = true;
        return false;
    }
    for (size_t done = 0; done < size;) {
        const size_t want = ChunkAt(done, size, buffers.size);
        if (!bytes.Read(buffers.content.get(), want)) {
            readAgainFailed = true;
            return false;
        }
        if (!target.Write(buffers.content.get(), want))
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
    EntryBytes bytes;
    if (!bytes.Open(*entry) || !bytes.Read(buffer, static_cast<size_t>(entry->size)))
        return false;
    uint8_t digest[kSm3Size];
    ComputeSm3(buffer, static_cast<size_t>(entry->size), digest);
    return std::memcmp(digest, entry->digest, kSm3Size) == 0;
}

EntryCheck CheckEntry(const ContainerEntry& entry)
{
    ChunkBuffers buffers(entry.size > 0 ? static_cast<size_t>(entry.size) : 0);
    bool same = false;
    return CheckAndCompare(entry, buffers, nullptr, same);
}

WriteResult WriteEntry(const std::string& name, const ContainerIndex& index, const std::string& targetPath)
{
    const ContainerEntry* entry = index.Find(name);
    if (!entry)
        return {WriteOutcome::Missing, true};
    if (entry->size == 0)
        return WriteEmptyEntry(*entry, targetPath);

    ChunkBuffers buffers(entry->size > 0 ? static_cast<size_t>(entry->size) : 0);
    EntryCheck check;
    bool same = false;
    {
        // A target of another length differs: it is never read.
        File target;
        const bool compare = target.OpenRead(targetPath) && target.Length() == entry->size &&
                             buffers.AllocateTarget();
        check = CheckAndCompare(*entry, buffers, compare ? &target : nullptr, same);
    }
    buffers.target.reset();
    // Bytes that were not read, or that failed their check, are not content:
    // the target stays as it was.
    if (check != EntryCheck::Ok) {
        CurrentPayloadReporter().EntryError(entry->name);
        return {check == EntryCheck::Mismatch ? WriteOutcome::Damaged : WriteOutcome::Unreadable, false};
    }
    if (same)
        return {WriteOutcome::Unchanged, true};

    DeleteFilePath(targetPath);
    File target;
    if (!target.OpenWrite(targetPath))
        return {WriteOutcome::OpenFailed, true};
    bool readAgainFailed = false;
    bool written = WriteContent(*entry, buffers, target, readAgainFailed);
    written = target.Close() && written;
    if (readAgainFailed) {
        // The data file changed between the passes: what was written is not
        // the checked content, so it does not stay.
        DeleteFilePath(targetPath);
        CurrentPayloadReporter().EntryError(entry->name);
        return {WriteOutcome::Unreadable, false};
    }
    return {written ? WriteOutcome::Written : WriteOutcome::WriteFailed, true};
}

bool WriteEntryIfChanged(const std::string& name, const ContainerIndex& index, const std::string& targetPath)
{
    WriteOutcome outcome = WriteEntry(name, index, targetPath).outcome;
    return outcome == WriteOutcome::Written || outcome == WriteOutcome::Unchanged;
}

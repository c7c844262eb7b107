#include "payload/entry.h"

#include <cstring>
#include <memory>
#include <new>

#include "payload/entry_verifier.h"
#include "payload/container.h"
#include "payload/fileio.h"
#include "payload/report.h"
#include "payload/sm3.h"
#include "payload/tree.h"
#include "win/path.h"

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
    bool Open(const ContainerEntry& entry, EntryWorkspace& workspace)
    {
        scrambled_ = entry.scrambled;
        if (entry.offset < 0 || entry.size < 0)
            return false;
        data_ = workspace.DataFile(entry.dataFile);
        return data_ && data_->Length() >= static_cast<int64_t>(entry.offset) + entry.size &&
               data_->Seek(entry.offset);
    }

    // The next count plain bytes; false when they cannot all be read.
    bool Read(uint8_t* buffer, size_t count)
    {
        if (data_->Read(buffer, count) != count)
            return false;
        if (scrambled_)
            DescrambleBytes(buffer, count);
        return true;
    }

private:
    File* data_ = nullptr;
    bool scrambled_ = false;
};

size_t ChunkAt(size_t done, size_t total) { return total - done < kEntryChunkSize ? total - done : kEntryChunkSize; }

// The first pass: reads the entry chunk by chunk, checks its digest and,
// when target is given (open, of the entry's length), compares it with the
// target's bytes. sameAsTarget tells whether every byte matched.
// The verdict of the workspace's verifier stands where it has one: an entry
// it found damaged or unreadable is not read at all, one it found sound is
// read without hashing, and only when there is a target to compare or the
// bytes fit the one chunk that the second pass writes from.
EntryCheck CheckAndCompare(const ContainerEntry& entry, EntryWorkspace& workspace, File* target,
                           bool& sameAsTarget)
{
    sameAsTarget = false;
    EntryCheck verdict = EntryCheck::Unreadable;
    const bool known = workspace.Verifier() && workspace.Verifier()->Verdict(entry, verdict);
    if (known && (verdict != EntryCheck::Ok || (!target && entry.size > static_cast<int32_t>(kEntryChunkSize))))
        return verdict;
    sameAsTarget = target != nullptr;
    uint8_t* content = workspace.Content();
    uint8_t* targetBytes = target ? workspace.Target() : nullptr;
    EntryBytes bytes;
    std::unique_ptr<Sm3Hasher> hasher(known ? nullptr : new (std::nothrow) Sm3Hasher);
    if ((!known && !(hasher && hasher->Ok())) || !content || (target && !targetBytes) || !bytes.Open(entry, workspace))
        return EntryCheck::Unreadable;
    const size_t size = static_cast<size_t>(entry.size);
    for (size_t done = 0; done < size;) {
        const size_t want = ChunkAt(done, size);
        if (!bytes.Read(content, want))
            return EntryCheck::Unreadable;
        if (hasher)
            hasher->Update(content, want);
        if (sameAsTarget)
            sameAsTarget = target->Read(targetBytes, want) == want && std::memcmp(targetBytes, content, want) == 0;
        done += want;
    }
    if (!hasher)
        return EntryCheck::Ok;
    uint8_t digest[kSm3Size];
    hasher->Final(digest);
    return std::memcmp(digest, entry.digest, kSm3Size) == 0 ? EntryCheck::Ok : EntryCheck::Mismatch;
}

// The second pass: writes the entry into the open target. An entry of one
// chunk is still in the content buffer from the first pass.
bool WriteContent(const ContainerEntry& entry, EntryWorkspace& workspace, File& target, bool& readAgainFailed)
{
    const size_t size = static_cast<size_t>(entry.size);
    uint8_t* content = workspace.Content();
    if (size <= kEntryChunkSize)
        return target.Write(content, size);
    EntryBytes bytes;
    if (!bytes.Open(entry, workspace)) {
        readAgainFailed = true;
        return false;
    }
    for (size_t done = 0; done < size;) {
        const size_t want = ChunkAt(done, size);
        if (!bytes.Read(content, want)) {
            readAgainFailed = true;
            return false;
        }
        if (!target.Write(content, want))
            return false;
        done += want;
    }
    return true;
}

// An empty entry has nothing to compare or rewrite: an existing target stays
// as it is, a missing one is created empty.
WriteResult WriteEmptyEntry(const ContainerEntry& entry, const std::string& targetPath, PayloadReporter& reporter)
{
    uint8_t digest[kSm3Size];
    ComputeSm3(nullptr, 0, digest);
    const bool verified = std::memcmp(digest, entry.digest, kSm3Size) == 0;
    if (!verified)
        reporter.EntryError(entry.name);
    if (FileExists(targetPath))
        return {WriteOutcome::Unchanged, verified};
    File target;
    if (!target.OpenWrite(targetPath))
        return {WriteOutcome::OpenFailed, verified};
    return {target.Close() ? WriteOutcome::Written : WriteOutcome::WriteFailed, verified};
}

uint8_t* Allocated(std::unique_ptr<uint8_t[]>& buffer)
{
    if (!buffer)
        buffer.reset(new (std::nothrow) uint8_t[kEntryChunkSize]);
    return buffer.get();
}

}  // namespace

EntryWorkspace::EntryWorkspace(PayloadReporter& reporter) : reporter_(reporter) {}
EntryWorkspace::~EntryWorkspace() = default;

File* EntryWorkspace::DataFile(const std::string& path)
{
    if (data_ && data_->IsOpen() && dataPath_ == path)
        return data_.get();
    if (!data_)
        data_.reset(new File);
    dataPath_ = path;
    if (pins_) {
        for (const PinnedFile& pin : *pins_)
            if (pin.path == path)
                return data_->ReopenRead(*pin.file) ? data_.get() : nullptr;
    }
    return data_->OpenRead(path) ? data_.get() : nullptr;
}

uint8_t* EntryWorkspace::Content() { return Allocated(content_); }
uint8_t* EntryWorkspace::Target() { return Allocated(target_); }

EntryCheck CheckEntry(const ContainerEntry& entry, EntryWorkspace& workspace)
{
    bool same = false;
    return CheckAndCompare(entry, workspace, nullptr, same);
}

WriteResult WriteEntry(const std::string& name, const ContainerIndex& index, const std::string& targetPath,
                       EntryWorkspace& workspace)
{
    const ContainerEntry* entry = index.Find(name);
    if (!entry)
        return {WriteOutcome::Missing, true};
    if (entry->size == 0)
        return WriteEmptyEntry(*entry, targetPath, workspace.Reporter());

    EntryCheck check;
    bool same = false;
    {
        // A target of another length differs: it is never read.
        File target;
        const bool opened = target.OpenRead(targetPath);
        const bool compare = opened && target.Length() == entry->size;
        check = CheckAndCompare(*entry, workspace, compare ? &target : nullptr, same);
    }
    // Bytes that were not read, or that failed their check, are not content:
    // the target stays as it was.
    if (check != EntryCheck::Ok) {
        workspace.Reporter().EntryError(entry->name);
        return {check == EntryCheck::Mismatch ? WriteOutcome::Damaged : WriteOutcome::Unreadable, false};
    }
    if (same)
        return {WriteOutcome::Unchanged, true};

    // Written in full beside the target, then moved over it in one step: a
    // failed write, a full disk, Cancel or the end of the program on the way
    // leave the old file whole.
    File replacement;
    if (!replacement.CreateReplacement(targetPath))
        return {WriteOutcome::OpenFailed, true};
    bool readAgainFailed = false;
    const bool written = WriteContent(*entry, workspace, replacement, readAgainFailed);
    if (readAgainFailed) {
        // The data file changed between the passes: what was written is not
        // the checked content, so it never takes the target's place.
        replacement.Close();
        workspace.Reporter().EntryError(entry->name);
        return {WriteOutcome::Unreadable, false};
    }
    if (!written) {
        replacement.Close();
        return {WriteOutcome::WriteFailed, true};
    }
    return {replacement.CommitReplacement(targetPath) ? WriteOutcome::Written : WriteOutcome::WriteFailed, true};
}

bool EntryRelativePath(const std::string& name, std::string& rel)
{
    if (name.size() < 2 || !IsInsideRelativePath(name.substr(1)))
        return false;
    rel = name.substr(1);
    return true;
}

// The container format: an index file (.qvai) of a 512-byte signature header and
// 301-byte entry records, and a data file (.qvas) holding the entries' bytes.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "payload/sm3.h"

class File;

// The signature text at the start of every index file: 101 bytes, no zero byte.
constexpr char kContainerSignature[] =
    "Tolvane QVA container index. Entries: flag, name, SM3 digest, offset, size, in 301-byte records. v1.0";
static_assert(sizeof(kContainerSignature) == 102, "the signature is 101 bytes and its zero");

// The one-byte key of the scrambling, the same for index records and entry data.
constexpr uint8_t kContainerKey = 0xA7;

// The most bytes the copies, comparisons and tools read or write at a time,
// and the size of each buffer they do it with (entries: kEntryChunkSize).
constexpr size_t kChunkSize = 1 << 20;

constexpr int kIndexHeaderSize = 512;
constexpr int kIndexRecordSize = 301;
constexpr int kRecordNameSize = 260;
constexpr int kRecordNameOffset = 1;
constexpr int kRecordDigestOffset = 261;
constexpr int kRecordDataOffset = 293;
constexpr int kRecordSizeOffset = 297;
constexpr uint8_t kScrambledFlag = 1;

// The numbers of the formats (index records, LZMA-alone headers) are 32-bit
// little-endian.
inline uint32_t ReadUint32LE(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

// The system-file list "sysdir.hash" that the packer writes beside the
// installed files: 292-byte records of a file name relative to the system
// folder (260 bytes, code page 936, zero terminated inside the field) and its
// SM3 digest.
constexpr size_t kSystemFileNameField = 260;
constexpr size_t kSystemFileRecord = kSystemFileNameField + kSm3Size;

// Stored byte to plain byte: exchange the 4-bit halves, then XOR with the key.
inline uint8_t DescrambleByte(uint8_t stored)
{
    return static_cast<uint8_t>(((stored << 4) | (stored >> 4)) ^ kContainerKey);
}

// Plain byte to stored byte: the inverse steps in reverse order.
inline uint8_t ScrambleByte(uint8_t plain)
{
    uint8_t x = static_cast<uint8_t>(plain ^ kContainerKey);
    return static_cast<uint8_t>((x << 4) | (x >> 4));
}

struct ContainerEntry {
    std::string name;      // the name field as read, leading byte included
    std::string dataFile;  // full path of the data file holding the bytes
    int32_t offset = 0;
    int32_t size = 0;
    uint8_t digest[kSm3Size] = {};
    bool scrambled = false;
};

// The in-memory index of one container: entries in byte-wise order of their
// names (std::string compares its chars as unsigned), and a walk cursor.
class ContainerIndex {
public:
    using Map = std::map<std::string, ContainerEntry>;

    ContainerIndex() = default;
    // A copy walks on its own: its cursor stands on the same name as the original's.
    ContainerIndex(const ContainerIndex& other);
    ContainerIndex& operator=(const ContainerIndex& other);

    Map entries;

    const ContainerEntry* Find(const std::string& name) const;
    size_t Size() const { return entries.size(); }

    // Walk: First, then Next until AtEnd; Current is valid while not AtEnd.
    void First();
    void Next();
    bool AtEnd() const;
    const ContainerEntry& Current() const;

private:
    Map::const_iterator cursor_{};
    bool hasCursor_ = false;
};

// Loads the index file at indexPath into index (not cleared first). False when
// the path does not contain ".qvai", the file cannot be opened, or its header
// is not the signature; index is then unchanged.
// With held, the file that held has open is read (through a handle of its
// own), never the path: indexPath then only names it and its data file.
bool LoadContainerIndex(const std::string& indexPath, ContainerIndex& index, const File* held = nullptr);

// Files that the program made and holds open, by the path they were made
// under: reading one of them goes through its handle, never through the
// path, which another program may meanwhile have made lead elsewhere.
struct PinnedFile {
    std::string path;
    const File* file;
};
using PinnedFiles = std::vector<PinnedFile>;


// The data-file path that belongs to an index path: its last four characters
// replaced by "qvas".
std::string DataFilePathOf(const std::string& indexPath);

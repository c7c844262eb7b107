#include "payload/container.h"

#include <cstring>

#include "payload/fileio.h"

ContainerIndex::ContainerIndex(const ContainerIndex& other) { *this = other; }

ContainerIndex& ContainerIndex::operator=(const ContainerIndex& other)
{
    if (this == &other)
        return *this;
    entries = other.entries;
    hasCursor_ = other.hasCursor_;
    if (hasCursor_)
        cursor_ = other.AtEnd() ? entries.cend() : entries.find(other.cursor_->first);
    return *this;
}

const ContainerEntry* ContainerIndex::Find(const std::string& name) const
{
    auto it = entries.find(name);
    return it == entries.end() ? nullptr : &it->second;
}

void ContainerIndex::First()
{
    cursor_ = entries.begin();
    hasCursor_ = true;
}

void ContainerIndex::Next()
{
    if (hasCursor_ && cursor_ != entries.end())
        ++cursor_;
}

bool ContainerIndex::AtEnd() const { return !hasCursor_ || cursor_ == entries.end(); }

const ContainerEntry& ContainerIndex::Current() const { return cursor_->second; }

std::string DataFilePathOf(const std::string& indexPath)
{
    std::string path = indexPath.substr(0, indexPath.size() >= 4 ? indexPath.size() - 4 : 0);
    return path + "qvas";
}

static int32_t ReadInt32(const uint8_t* p) { return static_cast<int32_t>(ReadUint32LE(p)); }

bool LoadContainerIndex(const std::string& indexPath, ContainerIndex& index, const File* held)
{
    if (indexPath.find(".qvai") == std::string::npos)
        return false;

    File file;
    if (held ? !file.ReopenRead(*held) : !file.OpenRead(indexPath))
        return false;

    // The header: the signature, its terminating zero, then anything.
    char header[kIndexHeaderSize] = {};
    size_t headerRead = file.Read(header, sizeof header);
    const size_t signatureLength = sizeof kContainerSignature - 1;
    if (std::memcmp(header, kContainerSignature, signatureLength) != 0 || header[signatureLength] != 0)
        return false;

    // A file that ends inside its header has no record area at all.
    const int64_t length = file.Length();
    if (headerRead < sizeof header || length < kIndexHeaderSize)
        return false;

    const std::string dataFile = DataFilePathOf(indexPath);
    const int64_t count = (length - kIndexHeaderSize) / kIndexRecordSize;
    if (!file.Seek(kIndexHeaderSize))
        return false;

    uint8_t record[kIndexRecordSize];
    for (int64_t i = 0; i < count; ++i) {
        if (file.Read(record, sizeof record) != sizeof record)
            break;  // the file shrank while being read
        const bool scrambled = record[0] == kScrambledFlag;
        if (scrambled)
            for (int b = 1; b < kIndexRecordSize; ++b)
                record[b] = DescrambleByte(record[b]);

        // The name ends at its zero byte, or at the end of its field.
        const char* nameField = reinterpret_cast<const char*>(record + kRecordNameOffset);
        const void* zero = std::memchr(nameField, 0, kRecordNameSize);
        const size_t nameLength = zero ? static_cast<const char*>(zero) - nameField : kRecordNameSize;
        std::string name(nameField, nameLength);

        ContainerEntry& entry = index.entries[name];
        entry.name = name;
        entry.dataFile = dataFile;
        entry.offset = ReadInt32(record + kRecordDataOffset);
        entry.size = ReadInt32(record + kRecordSizeOffset);
        std::memcpy(entry.digest, record + kRecordDigestOffset, kSm3Size);
        entry.scrambled = scrambled;
    }
    return true;
}

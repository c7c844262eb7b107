// Unpacking an LZMA-alone payload resource into a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class File;
class PayloadReporter;

// LZMA-alone header: properties byte, dictionary size, 64-bit unpacked size.
constexpr size_t kLzmaAloneHeaderSize = 13;

// A source of compressed bytes, read front to back.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // The total number of bytes.
    virtual uint64_t Size() const = 0;
    // The next unread bytes (fetching more when needed); 0 at the end.
    virtual size_t Peek(const uint8_t** data) = 0;
    virtual void Skip(size_t count) = 0;
};

// The next size bytes of a file from where it stands, read a chunk at a
// time into a buffer of its own: memory stays at one chunk however long
// the bytes are. A read that fails or comes up short ends the bytes there.
class FileSource : public ByteSource {
public:
    FileSource(File& file, uint64_t size, size_t chunkSize);
    uint64_t Size() const override { return size_; }
    size_t Peek(const uint8_t** data) override;
    void Skip(size_t count) override { pos_ += count; }

private:
    File& file_;
    uint64_t size_;
    uint64_t unread_;  // not yet read from the file
    size_t chunkSize_;
    std::unique_ptr<uint8_t[]> chunk_;
    size_t pos_ = 0;
    size_t length_ = 0;
};

// Told how far the target holds its bytes while they are written.
class UnpackProgress {
public:
    virtual ~UnpackProgress() = default;
    // The first bytes bytes of the unpacked content are written.
    virtual void Written(uint64_t bytes) = 0;
};

// Decodes source (header and stream) into targetPath. True when the whole
// unpacked content was written; memory stays bounded by the dictionary. On a
// decoder error it reports "LzmaUncompress:%d\n" and leaves targetPath empty;
// when targetPath cannot be created it reports "Open DesFile ERR:%s\n".
bool UnpackStream(ByteSource& source, const std::string& targetPath, PayloadReporter& reporter);

// Decodes data into target, a file open for writing and empty; targetPath
// only names it in the diagnostics. On a decoder or write error target is
// left empty. target stays open either way.
bool UnpackResourceInto(const uint8_t* data, size_t dataSize, File& target, const std::string& targetPath,
                        PayloadReporter& reporter);

// The same over any source, telling progress (when given) how far target
// holds its bytes as it goes.
bool UnpackSourceInto(ByteSource& source, File& target, const std::string& targetPath, PayloadReporter& reporter,
                      UnpackProgress* progress = nullptr);

#include "payload/unpack.h"

#include <cstdio>
#include <cstdlib>

#include "LzmaDec.h"
#include "payload/container.h"
#include "payload/fileio.h"
#include "payload/report.h"

namespace {

void* LzmaAlloc(void*, size_t size) { return size ? std::malloc(size) : nullptr; }
void LzmaFree(void*, void* address) { std::free(address); }
ISzAlloc lzmaAlloc = {LzmaAlloc, LzmaFree};

// The LZMA decoder state (its probabilities from the allocator above) and its
// dictionary, a block of our own, freed on every path.
struct Decoder {
    CLzmaDec state;
    SharedBlock dictionary;
    explicit Decoder(size_t dictionarySize) : dictionary(dictionarySize) { LzmaDec_Construct(&state); }
    ~Decoder() { LzmaDec_FreeProbs(&state, &lzmaAlloc); }
};

class MemorySource : public ByteSource {
public:
    MemorySource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint64_t Size() const override { return size_; }
    size_t Peek(const uint8_t** data) override
    {
        *data = data_ + pos_;
        return size_ - pos_;
    }
    void Skip(size_t count) override { pos_ += count; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

}  // namespace

FileSource::FileSource(File& file, uint64_t size, size_t chunkSize)
    : file_(file), size_(size), unread_(size), chunkSize_(chunkSize), chunk_(new uint8_t[chunkSize])
{
}

size_t FileSource::Peek(const uint8_t** data)
{
    if (pos_ == length_ && unread_ > 0) {
        pos_ = 0;
        const size_t want = unread_ < chunkSize_ ? static_cast<size_t>(unread_) : chunkSize_;
        length_ = file_.Read(chunk_.get(), want);
        unread_ = length_ == want ? unread_ - want : 0;
    }
    *data = chunk_.get() + pos_;
    return length_ - pos_;
}

namespace {

// Takes exactly count bytes from the source into out; false when it ends first.
bool TakeBytes(ByteSource& source, uint8_t* out, size_t count)
{
    while (count > 0) {
        const uint8_t* data = nullptr;
        size_t available = source.Peek(&data);
        if (available == 0)
            return false;
        size_t take = available < count ? available : count;
        for (size_t i = 0; i < take; ++i)
            *out++ = data[i];
        source.Skip(take);
        count -= take;
    }
    return true;
}

// Decodes the stream after the header into target, the way the SDK's one-call
// decoder does (stop once unpackSize bytes are out, no end mark needed), but
// through a dictionary of at most the stream's dictionary size. Returns the
// SDK's result code: SZ_OK, or SZ_ERROR_DATA, _MEM, _UNSUPPORTED, _INPUT_EOF.
SRes DecodeStream(ByteSource& source, const uint8_t props[LZMA_PROPS_SIZE], uint32_t unpackSize, File& target,
                  bool& writeFailed, UnpackProgress* progress)
{
    if (source.Size() - kLzmaAloneHeaderSize < 5)  // the range coder's first bytes
        return SZ_ERROR_INPUT_EOF;

    CLzmaProps decoded;
    RINOK(LzmaProps_Decode(&decoded, props, LZMA_PROPS_SIZE));
    // A dictionary larger than the whole output is never used beyond the output.
    uint8_t dictProps[LZMA_PROPS_SIZE] = {props[0], props[1], props[2], props[3], props[4]};
    if (unpackSize < decoded.dicSize) {
        dictProps[1] = static_cast<uint8_t>(unpackSize);
        dictProps[2] = static_cast<uint8_t>(unpackSize >> 8);
        dictProps[3] = static_cast<uint8_t>(unpackSize >> 16);
        dictProps[4] = static_cast<uint8_t>(unpackSize >> 24);
    }
    CLzmaProps used;
    RINOK(LzmaProps_Decode(&used, dictProps, LZMA_PROPS_SIZE));
    Decoder decoder(used.dicSize);
    CLzmaDec& dec = decoder.state;
    RINOK(LzmaDec_AllocateProbs(&dec, dictProps, LZMA_PROPS_SIZE, &lzmaAlloc));
    if (!decoder.dictionary.Data())
        return SZ_ERROR_MEM;
    dec.dic = decoder.dictionary.Data();
    dec.dicBufSize = decoder.dictionary.Size();
    LzmaDec_Init(&dec);

    uint32_t remaining = unpackSize;
    for (;;) {
        if (dec.dicPos == dec.dicBufSize)
            dec.dicPos = 0;
        const SizeT start = dec.dicPos;
        const SizeT room = dec.dicBufSize - start;
        const SizeT limit = start + (remaining < room ? remaining : room);

        const uint8_t* in = nullptr;
        SizeT inLength = source.Peek(&in);
        const bool inputEnded = inLength == 0;
        ELzmaStatus status;
        SRes res = LzmaDec_DecodeToDic(&dec, limit, in, &inLength, LZMA_FINISH_ANY, &status);
        source.Skip(inLength);

        const SizeT produced = dec.dicPos - start;
        if (produced > 0 && !target.Write(dec.dic + start, produced)) {
            writeFailed = true;
            return SZ_OK;
        }
        remaining -= static_cast<uint32_t>(produced);
        if (progress && produced > 0)
            progress->Written(unpackSize - remaining);
        if (res != SZ_OK)
            return res;
        if (remaining == 0 || status == LZMA_STATUS_FINISHED_WITH_MARK)
            return SZ_OK;
        if (status == LZMA_STATUS_NEEDS_MORE_INPUT && inputEnded)
            return SZ_ERROR_INPUT_EOF;
        if (produced == 0 && inLength == 0)  // no progress: never loop on it
            return inputEnded ? SZ_ERROR_INPUT_EOF : SZ_ERROR_DATA;
    }
}

// Decodes source into target (open, empty). On failure target is left empty.
bool UnpackStreamInto(ByteSource& source, File& target, PayloadReporter& reporter, UnpackProgress* progress)
{
    uint8_t header[kLzmaAloneHeaderSize];
    SRes res = SZ_ERROR_INPUT_EOF;
    bool writeFailed = false;
    if (source.Size() >= kLzmaAloneHeaderSize && TakeBytes(source, header, sizeof header)) {
        const uint32_t sizeLow = ReadUint32LE(header + 5);
        const uint32_t sizeHigh = ReadUint32LE(header + 9);
        if (sizeLow == 0xFFFFFFFFu && sizeHigh == 0xFFFFFFFFu)
            res = SZ_ERROR_UNSUPPORTED;  // "size not stored" is not supported
        else
            res = DecodeStream(source, header, sizeLow, target, writeFailed, progress);
    }
    if (res == SZ_OK && !writeFailed)
        return true;

    // Nothing half-written stays behind: the target is left empty.
    target.Truncate();
    if (res != SZ_OK) {
        char line[32];
        std::snprintf(line, sizeof line, "LzmaUncompress:%d\n", res);
        reporter.Diagnostic(line);
    }
    return false;
}

}  // namespace

bool UnpackResourceInto(const uint8_t* data, size_t dataSize, File& target, const std::string& targetPath,
                        PayloadReporter& reporter)
{
    if (!target.IsOpen()) {
        reporter.Diagnostic("Open DesFile ERR:" + targetPath + "\n");
        return false;
    }
    MemorySource source(data, dataSize);
    return UnpackStreamInto(source, target, reporter, nullptr);
}

bool UnpackSourceInto(ByteSource& source, File& target, const std::string& targetPath, PayloadReporter& reporter,
                      UnpackProgress* progress)
{
    if (!target.IsOpen()) {
        reporter.Diagnostic("Open DesFile ERR:" + targetPath + "\n");
        return false;
    }
    return UnpackStreamInto(source, target, reporter, progress);
}

bool UnpackStream(ByteSource& source, const std::string& targetPath, PayloadReporter& reporter)
{
    File target;
    if (!target.OpenWrite(targetPath)) {
        reporter.Diagnostic("Open DesFile ERR:" + targetPath + "\n");
        return false;
    }
    return UnpackStreamInto(source, target, reporter, nullptr) && target.Close();
}

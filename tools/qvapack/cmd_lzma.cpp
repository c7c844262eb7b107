// qvapack compress IN OUT / qvapack unpack IN OUT
#include <memory>

#include "LzmaEnc.h"
#include "payload/fileio.h"
#include "tools/qvapack/tool.h"
#include "payload/unpack.h"

namespace {

constexpr uint32_t kDictionarySize = 1u << 24;  // 16 MiB

void* Alloc(void*, size_t size) { return size ? ::operator new(size, std::nothrow) : nullptr; }
void Free(void*, void* address) { ::operator delete(address); }
ISzAlloc allocator = {Alloc, Free};

// The encoder's input: the file read front to back.
struct FileInStream {
    ISeqInStream vt;
    File* file;
    Progress* progress;
    static SRes Read(void* p, void* buffer, size_t* size)
    {
        FileInStream* self = static_cast<FileInStream*>(p);
        *size = self->file->Read(buffer, *size);
        self->progress->Advance(*size);
        return SZ_OK;
    }
};

struct FileOutStream {
    ISeqOutStream vt;
    File* file;
    bool failed;
    static size_t Write(void* p, const void* buffer, size_t size)
    {
        FileOutStream* self = static_cast<FileOutStream*>(p);
        if (!self->file->Write(buffer, size)) {
            self->failed = true;
            return 0;
        }
        return size;
    }
};

struct Encoder {
    CLzmaEncHandle handle = LzmaEnc_Create(&allocator);
    ~Encoder()
    {
        if (handle)
            LzmaEnc_Destroy(handle, &allocator, &allocator);
    }
};

// The unpacking's input: the file in 1 MiB chunks.
class FileSource : public ByteSource {
public:
    FileSource(File& file, uint64_t size) : file_(file), size_(size), chunk_(new uint8_t[kChunkSize]) {}
    uint64_t Size() const override { return size_; }
    size_t Peek(const uint8_t** data) override
    {
        if (pos_ == length_) {
            pos_ = 0;
            length_ = file_.Read(chunk_.get(), kChunkSize);
        }
        *data = chunk_.get() + pos_;
        return length_ - pos_;
    }
    void Skip(size_t count) override { pos_ += count; }

private:
    File& file_;
    uint64_t size_;
    std::unique_ptr<uint8_t[]> chunk_;
    size_t pos_ = 0;
    size_t length_ = 0;
};

}  // namespace

int RunCompress(const std::vector<std::string>& args)
{
    if (args.size() != 2)
        return Fail("compress", "usage: qvapack compress IN OUT");
    File in, out;
    if (!in.OpenRead(args[0]))
        return Fail(args[0], "cannot be read");
    const int64_t length = in.Length();
    if (length < 0 || length > 0xFFFFFFFFll)
        return Fail(args[0], "larger than 4 GiB - 1 bytes; the installer reads 32-bit sizes");

    Encoder encoder;
    CLzmaEncProps props;
    LzmaEncProps_Init(&props);
    props.level = 5;
    props.dictSize = kDictionarySize;
    props.lc = 3;
    props.lp = 0;
    props.pb = 2;
    props.writeEndMark = 0;
    props.numThreads = 1;
    if (!encoder.handle || LzmaEnc_SetProps(encoder.handle, &props) != SZ_OK)
        return Fail(args[0], "the LZMA encoder could not be set up");

    uint8_t header[kLzmaAloneHeaderSize];
    SizeT propsSize = LZMA_PROPS_SIZE;
    LzmaEnc_WriteProperties(encoder.handle, header, &propsSize);
    for (int i = 0; i < 8; ++i)
        header[5 + i] = static_cast<uint8_t>(static_cast<uint64_t>(length) >> (8 * i));

    if (!out.OpenWrite(args[1]))
        return Fail(args[1], "cannot be created");
    Progress progress("compress", static_cast<uint64_t>(length));
    FileInStream inStream{{FileInStream::Read}, &in, &progress};
    FileOutStream outStream{{FileOutStream::Write}, &out, false};
    bool ok = out.Write(header, sizeof header);
    ok = ok && LzmaEnc_Encode(encoder.handle, &outStream.vt, &inStream.vt, nullptr, &allocator, &allocator) == SZ_OK;
    ok = out.Close() && ok && !outStream.failed;
    if (!ok) {
        DeleteFilePath(args[1]);
        return Fail(args[1], "compression failed; nothing written");
    }
    return 0;
}

int RunUnpack(const std::vector<std::string>& args)
{
    if (args.size() != 2)
        return Fail("unpack", "usage: qvapack unpack IN OUT");
    File in;
    if (!in.OpenRead(args[0]))
        return Fail(args[0], "cannot be read");
    const int64_t length = in.Length();
    FileSource source(in, length > 0 ? static_cast<uint64_t>(length) : 0);
    ToolReporter reporter;
    if (UnpackStream(source, args[1], reporter))
        return 0;
    Fail(args[0], "unpacking failed: " + reporter.lastDiagnostic);
    return kExitEntriesFailed;
}

#include "tools/qvapack/lzma_encode.h"

#include <new>

#include "LzmaEnc.h"
#include "payload/unpack.h"

namespace {

void* Alloc(void*, size_t size) { return size ? ::operator new(size, std::nothrow) : nullptr; }
void Free(void*, void* address) { ::operator delete(address); }
ISzAlloc allocator = {Alloc, Free};

struct InStream {
    ISeqInStream vt;
    LzmaInput* input;
    uint64_t total;
    bool failed;
    static SRes Read(void* p, void* buffer, size_t* size)
    {
        InStream* self = static_cast<InStream*>(p);
        if (!self->input->Read(static_cast<uint8_t*>(buffer), *size)) {
            self->failed = true;
            *size = 0;
            return SZ_ERROR_READ;
        }
        self->total += *size;
        return SZ_OK;
    }
};

struct OutStream {
    ISeqOutStream vt;
    LzmaOutput* output;
    bool failed;
    static size_t Write(void* p, const void* buffer, size_t size)
    {
        OutStream* self = static_cast<OutStream*>(p);
        if (self->failed || !self->output->Write(static_cast<const uint8_t*>(buffer), size)) {
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

}  // namespace

bool EncodeLzmaAlone(LzmaInput& input, uint64_t unpackedSize, LzmaOutput& output, std::string& problem)
{
    Encoder encoder;
    CLzmaEncProps props;
    LzmaEncProps_Init(&props);
    props.level = 5;
    props.dictSize = kLzmaDictionarySize;
    props.lc = 3;
    props.lp = 0;
    props.pb = 2;
    props.algo = 1;         // normal mode
    props.btMode = 1;       // binary tree match finder
    props.numHashBytes = 4;  // bt4
    props.fb = 32;           // nice length
    props.mc = 32;           // depth
    props.writeEndMark = 0;
    props.numThreads = 1;
    if (!encoder.handle || LzmaEnc_SetProps(encoder.handle, &props) != SZ_OK) {
        problem = "the LZMA encoder could not be set up";
        return false;
    }

    uint8_t header[kLzmaAloneHeaderSize];
    SizeT propsSize = LZMA_PROPS_SIZE;
    LzmaEnc_WriteProperties(encoder.handle, header, &propsSize);
    for (int i = 0; i < 8; ++i)
        header[5 + i] = static_cast<uint8_t>(unpackedSize >> (8 * i));
    if (!output.Write(header, sizeof header))
        return false;

    InStream in{{InStream::Read}, &input, 0, false};
    OutStream out{{OutStream::Write}, &output, false};
    const SRes rc = LzmaEnc_Encode(encoder.handle, &out.vt, &in.vt, nullptr, &allocator, &allocator);
    if (in.failed || out.failed)
        return false;
    if (rc != SZ_OK) {
        problem = rc == SZ_ERROR_MEM ? "out of memory while compressing" : "the LZMA encoder failed";
        return false;
    }
    if (in.total != unpackedSize) {
        problem = "changed while being packed (its size is not the one it had)";
        return false;
    }
    return true;
}

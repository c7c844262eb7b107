// The payload's LZMA-alone streams: one encoder and one set of settings for
// every stream qvapack writes (compress, build).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The settings, as xz names them: --lzma1=dict=16MiB,lc=3,lp=0,pb=2,
// mode=normal,mf=bt4,nice=32,depth=32 (the SDK's level 5 with a 16 MiB dictionary).
constexpr uint32_t kLzmaDictionarySize = 1u << 24;
constexpr const char* kLzmaXzSettings = "dict=16MiB,lc=3,lp=0,pb=2,mode=normal,mf=bt4,nice=32,depth=32";

// Where the encoder's input comes from: fills up to size bytes, sets size to
// what it gave (0 at the end); false on an error, which it has reported.
class LzmaInput {
public:
    virtual ~LzmaInput() = default;
    virtual bool Read(uint8_t* buffer, size_t& size) = 0;
};

// Where the stream goes: false when the bytes could not be taken (reported there).
class LzmaOutput {
public:
    virtual ~LzmaOutput() = default;
    virtual bool Write(const uint8_t* data, size_t size) = 0;
};

// Writes the LZMA-alone header (properties, dictionary, unpackedSize) and
// the stream of input, which must give exactly unpackedSize bytes. False
// when the input or the output failed (each has said why) or the encoder
// could not be set up or the input gave another size than declared
// (problem says which of the last two).
bool EncodeLzmaAlone(LzmaInput& input, uint64_t unpackedSize, LzmaOutput& output, std::string& problem);

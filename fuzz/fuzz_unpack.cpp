// Unpacking of arbitrary LZMA-alone resources. Declared sizes are capped at
// 1 MiB so that a run measures decoding, not writing gigabytes.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "payload/fileio.h"
#include "payload/report.h"
#include "payload/unpack.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QuietReporter quiet;
    std::vector<uint8_t> resource(data, data + size);
    static const uint8_t kNotStored[8] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    if (resource.size() >= kLzmaAloneHeaderSize && std::memcmp(&resource[5], kNotStored, 8) != 0) {
        resource[7] &= 0x0F;  // at most 1 MiB - 1
        resource[8] = 0;
    }
    File sink;
    sink.OpenWrite("/dev/null");
    UnpackResourceInto(resource.data(), resource.size(), sink, "/dev/null", quiet);
    return 0;
}

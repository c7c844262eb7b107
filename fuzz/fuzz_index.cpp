// Index loading and entry writing on arbitrary bytes: the input is both the
// index file and its data file, so record offsets land in real bytes.
#include <unistd.h>

#include <cstdint>
#include <string>

#include "payload/container.h"
#include "payload/entry.h"
#include "payload/fileio.h"
#include "payload/report.h"

namespace {


std::string Scratch(const char* name) { return "/tmp/fuzz-index-" + std::to_string(getpid()) + "-" + name; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QuietReporter quiet;
    const std::string index = Scratch("x.qvai");
    {
        File file;
        file.OpenWrite(index);
        file.Write(data, size);
        File copy;
        copy.OpenWrite(DataFilePathOf(index));
        copy.Write(data, size);
    }
    ContainerIndex loaded;
    if (LoadContainerIndex(index, loaded)) {
        int budget = 16;
        for (loaded.First(); !loaded.AtEnd() && budget-- > 0; loaded.Next()) {
            const ContainerEntry& entry = loaded.Current();
            std::string rel;
            EntryRelativePath(entry.name, rel);
            if (entry.size <= (1 << 20)) {
                EntryWorkspace workspace(quiet);
                WriteEntry(entry.name, loaded, Scratch("target"), workspace);
            }
        }
    }
    DeleteFilePath(Scratch("target"));
    return 0;
}

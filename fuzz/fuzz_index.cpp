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

class QuietReporter : public PayloadReporter {
public:
    void EntryError(const std::string&) override {}
    void Diagnostic(const std::string&) override {}
};

std::string Scratch(const char* name) { return "/tmp/fuzz-index-" + std::to_string(getpid()) + "-" + name; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QuietReporter reporter;
    SetPayloadReporter(&reporter);
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
            if (entry.size <= (1 << 20))
                WriteEntryIfChanged(entry.name, loaded, Scratch("target"));
        }
    }
    DeleteFilePath(Scratch("target"));
    return 0;
}

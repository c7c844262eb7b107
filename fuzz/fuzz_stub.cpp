// qvapack's reading of a stub on arbitrary bytes: the PE headers, the
// resource tree and its data, and the new layout of that tree.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "tools/qvapack/host_file.h"
#include "tools/qvapack/pe_image.h"
#include "tools/qvapack/resource_tree.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = "/tmp/fuzz-stub-" + std::to_string(getpid()) + ".exe";
    {
        HostFile out;
        if (!out.OpenWrite(path) || !out.Write(data, size))
            return 0;
    }
    HostFile file;
    if (!file.OpenRead(path))
        return 0;
    PeImage image;
    ResourceNode tree;
    std::string problem;
    if (!image.Read(file, file.Length(), problem) || !ReadResourceTree(file, image, tree, problem))
        return 0;
    RemoveResource(tree, {true, 0, u"QVA"});
    if (!LoadResourceData(file, image, tree, problem))
        return 0;
    AddResource(tree, {true, 0, u"QVA"});
    const uint32_t end = LayOutResources(tree);
    const std::vector<uint8_t> tables = ResourceTables(tree, 0x1000);
    if (tables.size() > end)
        __builtin_trap();
    image.Headers();
    return 0;
}

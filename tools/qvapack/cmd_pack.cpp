// qvapack pack DIR OUT.qvai [--plain]
#include <memory>

#include "payload/container.h"
#include "tools/qvapack/container_stream.h"
#include "tools/qvapack/host_file.h"
#include "tools/qvapack/tool.h"

int RunPack(const std::vector<std::string>& args)
{
    bool plain = false;
    std::vector<std::string> paths;
    for (const std::string& arg : args) {
        if (arg == "--plain")
            plain = true;
        else
            paths.push_back(arg);
    }
    if (paths.size() != 2)
        return Fail("pack", "usage: qvapack pack DIR OUT.qvai [--plain]");
    const std::string& folder = paths[0];
    const std::string& indexPath = paths[1];
    if (indexPath.size() < 5 || indexPath.compare(indexPath.size() - 5, 5, ".qvai") != 0)
        return Fail(indexPath, "the index file name must end in .qvai");
    const std::string dataPath = DataFilePathOf(indexPath);

    std::vector<WalkedFile> files;
    if (!WalkFolder(folder, files))
        return kExitBadInput;
    ContainerStream container(files, plain, nullptr);
    if (!container.CheckLimits(folder))
        return kExitBadInput;

    HostFile index, data;
    if (!index.OpenWrite(indexPath))
        return Fail(indexPath, "cannot be created: " + LastHostError());
    if (!data.OpenWrite(dataPath)) {
        const std::string why = LastHostError();
        index.Close();
        HostRemoveFile(indexPath);
        return Fail(dataPath, "cannot be created: " + why);
    }

    Progress bar("pack", container.DataSize());
    ContainerStream stream(files, plain, &bar);
    std::unique_ptr<uint8_t[]> chunk(new uint8_t[kChunkSize]);
    bool ok = true;
    for (;;) {
        size_t got = kChunkSize;
        if (!stream.Read(chunk.get(), got)) {
            ok = false;
            break;
        }
        if (got == 0)
            break;
        if (!data.Write(chunk.get(), got)) {
            ok = Fail(dataPath, "cannot be written: " + LastHostError()) == 0;
            break;
        }
    }
    ok = ok && index.Write(stream.Index().data(), stream.Index().size());
    ok = index.Close() && ok;
    ok = data.Close() && ok;
    if (!ok) {
        HostRemoveFile(indexPath);
        HostRemoveFile(dataPath);
        return Fail(indexPath, "packing failed; nothing written");
    }
    return 0;
}

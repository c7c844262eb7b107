// qvapack sysdir-hash DIR OUT: 292-byte records of a name (260 bytes, zero
// padded, code page 936, relative to DIR) and the file's SM3 digest.
#include <cstring>
#include <memory>

#include "payload/container.h"
#include "payload/sm3.h"
#include "tools/qvapack/host_file.h"
#include "tools/qvapack/tool.h"

int RunSysdirHash(const std::vector<std::string>& args)
{
    if (args.size() != 2)
        return Fail("sysdir-hash", "usage: qvapack sysdir-hash DIR OUT");
    std::vector<WalkedFile> files;
    if (!WalkFolder(args[0], files))
        return kExitBadInput;

    HostFile out;
    if (!out.OpenWrite(args[1]))
        return Fail(args[1], "cannot be created: " + LastHostError());
    std::unique_ptr<uint8_t[]> chunk(new uint8_t[kChunkSize]);
    bool ok = true;
    for (const WalkedFile& file : files) {
        if (file.name.size() >= kSystemFileNameField) {
            ok = Fail(file.hostPath, "name longer than 259 bytes in code page 936") == 0;
            break;
        }
        uint8_t record[kSystemFileRecord] = {};
        std::memcpy(record, file.name.data(), file.name.size());
        HostFile in;
        if (!in.OpenRead(file.hostPath)) {
            ok = Fail(file.hostPath, "cannot be read") == 0;
            break;
        }
        Sm3Hasher hasher;
        for (size_t got; (got = in.Read(chunk.get(), kChunkSize)) > 0;)
            hasher.Update(chunk.get(), got);
        hasher.Final(record + kSystemFileNameField);
        ok = out.Write(record, sizeof record) && ok;
    }
    ok = out.Close() && ok;
    if (!ok) {
        HostRemoveFile(args[1]);
        return Fail(args[1], "not written");
    }
    return 0;
}

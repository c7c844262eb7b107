// qvapack pack DIR OUT.qvai [--plain]
#include <cstring>
#include <limits>
#include <memory>

#include "payload/container.h"
#include "payload/fileio.h"
#include "payload/sm3.h"
#include "tools/qvapack/tool.h"

namespace {

// Every stored name starts with this byte, which readers drop.
constexpr char kNameLead = '\\';

void PutInt32(uint8_t* p, int32_t value)
{
    const uint32_t v = static_cast<uint32_t>(value);
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

// Appends one file's bytes to the data file, scrambled when asked, and returns its digest.
bool CopyEntryData(const WalkedFile& file, bool scramble, File& data, uint8_t* chunk, uint8_t digest[kSm3Size],
                   Progress& progress)
{
    File in;
    if (!in.OpenRead(file.hostPath))
        return Fail(file.hostPath, "cannot be read") == 0;
    Sm3Hasher hasher;
    uint64_t total = 0;
    for (size_t got; (got = in.Read(chunk, kChunkSize)) > 0;) {
        hasher.Update(chunk, got);
        if (scramble)
            for (size_t i = 0; i < got; ++i)
                chunk[i] = ScrambleByte(chunk[i]);
        if (!data.Write(chunk, got))
            return Fail(file.hostPath, "writing the data file failed") == 0;
        total += got;
        progress.Advance(got);
    }
    if (total != file.size)
        return Fail(file.hostPath, "changed while being packed") == 0;
    hasher.Final(digest);
    return true;
}

}  // namespace

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

    uint64_t total = 0;
    for (const WalkedFile& file : files) {
        if (1 + file.name.size() >= static_cast<size_t>(kRecordNameSize))
            return Fail(file.hostPath, "name longer than 258 bytes in code page 936");
        total += file.size;
    }
    if (total > static_cast<uint64_t>(std::numeric_limits<int32_t>::max()))
        return Fail(folder, "payload larger than 2 GiB - 1 bytes; offsets are 32-bit");

    File index, data;
    if (!index.OpenWrite(indexPath))
        return Fail(indexPath, "cannot be created");
    if (!data.OpenWrite(dataPath))
        return Fail(dataPath, "cannot be created");

    uint8_t header[kIndexHeaderSize] = {};
    std::memcpy(header, kContainerSignature, sizeof kContainerSignature);
    bool ok = index.Write(header, sizeof header);

    std::unique_ptr<uint8_t[]> chunk(new uint8_t[kChunkSize]);
    Progress progress("pack", total);
    int32_t offset = 0;
    for (const WalkedFile& file : files) {
        uint8_t record[kIndexRecordSize] = {};
        record[0] = plain ? 0 : kScrambledFlag;
        record[kRecordNameOffset] = kNameLead;
        std::memcpy(record + kRecordNameOffset + 1, file.name.data(), file.name.size());
        if (!CopyEntryData(file, !plain, data, chunk.get(), record + kRecordDigestOffset, progress)) {
            ok = false;
            break;
        }
        PutInt32(record + kRecordDataOffset, offset);
        PutInt32(record + kRecordSizeOffset, static_cast<int32_t>(file.size));
        offset += static_cast<int32_t>(file.size);
        if (!plain)
            for (int b = 1; b < kIndexRecordSize; ++b)
                record[b] = ScrambleByte(record[b]);
        ok = index.Write(record, sizeof record) && ok;
    }
    ok = index.Close() && ok;
    ok = data.Close() && ok;
    if (!ok) {
        DeleteFilePath(indexPath);
        DeleteFilePath(dataPath);
        return Fail(indexPath, "packing failed; nothing written");
    }
    return 0;
}

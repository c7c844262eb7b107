// qvapack compress IN OUT / qvapack unpack IN OUT
#include "payload/container.h"
#include "payload/fileio.h"
#include "payload/unpack.h"
#include "tools/qvapack/host_file.h"
#include "tools/qvapack/lzma_encode.h"
#include "tools/qvapack/tool.h"

namespace {

// The encoder's input: the file read front to back.
class FileInput : public LzmaInput {
public:
    FileInput(HostFile& file, Progress& progress) : file_(file), progress_(progress) {}
    bool Read(uint8_t* buffer, size_t& size) override
    {
        size = file_.Read(buffer, size);
        progress_.Advance(size);
        return true;
    }

private:
    HostFile& file_;
    Progress& progress_;
};

class FileOutput : public LzmaOutput {
public:
    explicit FileOutput(HostFile& file) : file_(file) {}
    bool Write(const uint8_t* data, size_t size) override { return file_.Write(data, size); }

private:
    HostFile& file_;
};

}  // namespace

int RunCompress(const std::vector<std::string>& args)
{
    if (args.size() != 2)
        return Fail("compress", "usage: qvapack compress IN OUT");
    HostFile in, out;
    if (!in.OpenRead(args[0]))
        return Fail(args[0], "cannot be read: " + LastHostError());
    const int64_t length = in.Length();
    if (length < 0 || length > 0xFFFFFFFFll)
        return Fail(args[0], "larger than 4 GiB - 1 bytes; the installer reads 32-bit sizes");
    if (!out.OpenWrite(args[1]))
        return Fail(args[1], "cannot be created: " + LastHostError());

    Progress progress("compress", static_cast<uint64_t>(length));
    FileInput input(in, progress);
    FileOutput output(out);
    std::string problem;
    bool ok = EncodeLzmaAlone(input, static_cast<uint64_t>(length), output, problem);
    ok = out.Close() && ok;
    if (!ok) {
        HostRemoveFile(args[1]);
        return Fail(args[1], "compression failed" + (problem.empty() ? "" : ": " + problem) + "; nothing written");
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
    FileSource source(in, length > 0 ? static_cast<uint64_t>(length) : 0, kChunkSize);
    ToolReporter reporter;
    if (UnpackStream(source, args[1], reporter))
        return 0;
    Fail(args[0], "unpacking failed: " + reporter.lastDiagnostic);
    return kExitEntriesFailed;
}

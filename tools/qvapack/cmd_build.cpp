// qvapack build PAYLOAD_DIR -o SETUP.exe [--stub STUB.exe] [--sign CERT KEY]
//
// The installer from a payload folder and a prebuilt stub: both containers
// are packed and compressed straight into the four payload resources of a
// copy of the stub. The rest of the stub stays as it is; its resource
// section is laid out anew (the sections after it, the relocations, move
// behind it), its headers fixed and its signature dropped.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "res/resource.h"
#include "payload/container.h"
#include "tools/qvapack/container_stream.h"
#include "tools/qvapack/host_file.h"
#include "tools/qvapack/lzma_encode.h"
#include "tools/qvapack/pe_image.h"
#include "tools/qvapack/resource_tree.h"
#include "tools/qvapack/tool.h"

namespace {

constexpr const char* kStubName = "TolvaneSetup-stub.exe";
constexpr uint16_t kPayloadLanguage = 2052;  // Chinese (Simplified)
constexpr uint32_t kMaxImageSize = 0x7FFF0000;  // PE images stay below 2 GiB
const char16_t kPayloadType[] = u"QVA";
// The signer's program name, as scripts/sign gives it.
const char kSignedName[] = u8"Halvor数字证书和电子签章客户端";

struct Options {
    std::string payload;
    std::string output;
    std::string stub;
    std::string cert;
    std::string key;
};

bool ParseOptions(const std::vector<std::string>& args, Options& options)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if ((arg == "-o" || arg == "--stub") && i + 1 < args.size()) {
            (arg == "-o" ? options.output : options.stub) = args[++i];
        } else if (arg == "--sign" && i + 2 < args.size()) {
            options.cert = args[++i];
            options.key = args[++i];
        } else if (!arg.empty() && arg[0] != '-' && options.payload.empty()) {
            options.payload = arg;
        } else {
            return false;
        }
    }
    return !options.payload.empty() && !options.output.empty();
}

bool FileExists(const std::string& path)
{
    HostFile file;
    return file.OpenRead(path);
}

// The stub beside this program, or in the build tree (build/win32 beside build/host).
std::string DefaultStub()
{
    const std::string folder = HostProgramFolder();
    if (folder.empty())
        return "";
    for (const std::string& candidate : {folder + "/" + kStubName, folder + "/../win32/" + kStubName})
        if (FileExists(candidate))
            return candidate;
    return "";
}

// The output file being made, with its position.
class Output {
public:
    explicit Output(HostFile& file) : file_(file) {}
    uint64_t Position() const { return position_; }
    bool Write(const void* data, size_t size)
    {
        if (!file_.Write(data, size))
            return false;
        position_ += size;
        return true;
    }
    bool PadTo(uint64_t position)
    {
        static const uint8_t zeros[4096] = {};
        while (position_ < position)
            if (!Write(zeros, static_cast<size_t>(std::min<uint64_t>(sizeof zeros, position - position_))))
                return false;
        return position_ == position;
    }
    // Copies size bytes at offset of from.
    bool Copy(HostFile& from, uint64_t offset, uint64_t size)
    {
        std::unique_ptr<uint8_t[]> chunk(new uint8_t[kChunkSize]);
        while (size > 0) {
            const size_t part = static_cast<size_t>(std::min<uint64_t>(size, kChunkSize));
            if (!from.ReadAt(offset, chunk.get(), part) || !Write(chunk.get(), part))
                return false;
            offset += part;
            size -= part;
        }
        return true;
    }

private:
    HostFile& file_;
    uint64_t position_ = 0;
};

// One compressed stream into the resource section, bounded by what a PE image can hold.
class SectionOutput : public LzmaOutput {
public:
    SectionOutput(Output& output, uint64_t limit) : output_(output), limit_(limit) {}
    bool Write(const uint8_t* data, size_t size) override
    {
        if (output_.Position() + size > limit_) {
            tooLarge_ = true;
            return false;
        }
        if (!output_.Write(data, size)) {
            failed_ = true;
            return false;
        }
        return true;
    }
    bool TooLarge() const { return tooLarge_; }
    bool Failed() const { return failed_; }

private:
    Output& output_;
    uint64_t limit_;
    bool tooLarge_ = false;
    bool failed_ = false;
};

class BytesInput : public LzmaInput {
public:
    explicit BytesInput(const std::string& bytes) : bytes_(bytes) {}
    bool Read(uint8_t* buffer, size_t& size) override
    {
        size = std::min(size, bytes_.size() - position_);
        std::memcpy(buffer, bytes_.data() + position_, size);
        position_ += size;
        return true;
    }

private:
    const std::string& bytes_;
    size_t position_ = 0;
};

struct Container {
    const char* folder;
    uint16_t indexId;
    uint16_t dataId;
    std::vector<WalkedFile> files;
    std::string path;  // the folder on this machine
    ResourceNode* index = nullptr;
    ResourceNode* data = nullptr;
};

// Everything the stub must be to take a new resource section; problem says what it is not.
bool CheckStubLayout(const PeImage& image, int64_t length, int& resourceSection, std::string& problem)
{
    const PeDirectory resources = image.Directory(kDirResource);
    resourceSection = image.SectionOf(resources.address);
    if (resources.address == 0 || resourceSection < 0) {
        problem = "has no resources (not an installer stub)";
        return false;
    }
    const auto& sections = image.Sections();
    const PeSection& rsrc = sections[resourceSection];
    if (resources.address != rsrc.virtualAddress) {
        problem = "the resource directory does not start its section";
        return false;
    }
    // Sections behind the resources move: only the relocations can.
    const PeDirectory relocations = image.Directory(kDirBaseReloc);
    for (size_t i = resourceSection + 1; i < sections.size(); ++i) {
        const PeSection& s = sections[i];
        if (!(relocations.address >= s.virtualAddress && relocations.address < s.virtualAddress + s.virtualSize &&
              s.rawOffset >= rsrc.rawOffset + rsrc.rawSize)) {
            problem = "the resource section is not the last one (" + s.name + " follows it)";
            return false;
        }
    }
    for (int d = 0; d < 16; ++d) {
        const PeDirectory directory = image.Directory(d);
        if (d == kDirResource || d == kDirSecurity || d == kDirBaseReloc || directory.address == 0)
            continue;
        if (directory.address + directory.size > rsrc.virtualAddress) {
            problem = "data after the resource section that the program refers to";
            return false;
        }
    }
    uint64_t end = image.SizeOfHeaders();
    for (size_t i = 0; i < sections.size(); ++i) {
        const PeSection& s = sections[i];
        if (s.rawSize == 0)
            continue;
        if (i < static_cast<size_t>(resourceSection) && s.rawOffset + s.rawSize > rsrc.rawOffset) {
            problem = "sections out of order in the file";
            return false;
        }
        end = std::max<uint64_t>(end, s.rawOffset + s.rawSize);
    }
    // After the sections only a signature (which is dropped) may follow.
    const PeDirectory signature = image.Directory(kDirSecurity);
    const uint64_t tail = signature.size ? signature.address : static_cast<uint64_t>(length);
    if (tail < end || tail - end >= 16 ||
        (signature.size && static_cast<uint64_t>(signature.address) + signature.size != static_cast<uint64_t>(length))) {
        problem = "has data after its last section (not a plain installer stub)";
        return false;
    }
    return true;
}

// Writes the installer into out (a new, empty file). False when reported.
bool WriteInstaller(HostFile& stub, const std::string& stubPath, PeImage& image, int resourceSection,
                    ResourceNode& tree, std::vector<Container>& containers, HostFile& out,
                    const std::string& outPath)
{
    auto& sections = image.Sections();
    PeSection& rsrc = sections[resourceSection];
    const uint32_t streamsStart = LayOutResources(tree);
    Output output(out);
    auto writeFailed = [&] { return Fail(outPath, "cannot be written: " + LastHostError()) == 0; };

    // Headers (written again at the end) and the sections before the resources.
    if (!output.Copy(stub, 0, rsrc.rawOffset))
        return Fail(stubPath, "cannot be read") == 0;
    const uint64_t sectionStart = output.Position();
    bool ok = true;
    ForEachResourceLeaf(tree, [&](ResourceNode& leaf) {
        if (!leaf.written)
            ok = ok && output.PadTo(sectionStart + leaf.dataOffset) && output.Write(leaf.data.data(), leaf.data.size());
    });
    if (!ok || !output.PadTo(sectionStart + streamsStart))
        return writeFailed();

    uint64_t total = 0;
    for (const Container& c : containers)
        for (const WalkedFile& file : c.files)
            total += file.size;
    Progress progress("build", total);
    const uint64_t limit = sectionStart + (kMaxImageSize - rsrc.virtualAddress);
    SectionOutput section(output, limit);
    auto tooLarge = [&] {
        return Fail(outPath, "the compressed payload is too large for the resource format "
                             "(a PE image and its 32-bit sizes stay below 2 GiB); nothing written") == 0;
    };
    for (Container& c : containers) {
        ContainerStream data(c.files, false, &progress);
        std::string problem;
        // The data stream first: the index holds its digests.
        for (ResourceNode* leaf : {c.data, c.index}) {
            if (!output.PadTo((output.Position() + 7) & ~uint64_t{7}))
                return writeFailed();
            leaf->dataOffset = static_cast<uint32_t>(output.Position() - sectionStart);
            bool encoded;
            if (leaf == c.data) {
                encoded = EncodeLzmaAlone(data, data.DataSize(), section, problem);
            } else {
                BytesInput index(data.Index());
                encoded = EncodeLzmaAlone(index, data.Index().size(), section, problem);
            }
            if (!encoded) {
                if (section.TooLarge())
                    return tooLarge();
                if (section.Failed())
                    return writeFailed();
                if (!problem.empty())
                    return Fail(c.path, problem) == 0;
                return false;  // the input said why
            }
            leaf->size = static_cast<uint32_t>(output.Position() - sectionStart - leaf->dataOffset);
        }
    }

    // The resource section's new extent; the relocations follow it.
    const uint32_t sectionSize = static_cast<uint32_t>(output.Position() - sectionStart);
    if (!output.PadTo(sectionStart + AlignUp(sectionSize, image.FileAlignment())))
        return writeFailed();
    rsrc.virtualSize = sectionSize;
    rsrc.rawSize = AlignUp(sectionSize, image.FileAlignment());
    image.SetDirectory(kDirResource, {rsrc.virtualAddress, sectionSize});
    for (size_t i = resourceSection + 1; i < sections.size(); ++i) {
        PeSection& s = sections[i];
        const PeSection& before = sections[i - 1];
        const uint32_t address = AlignUp(before.virtualAddress + std::max(before.virtualSize, before.rawSize),
                                         image.SectionAlignment());
        if (output.Position() + s.rawSize > kMaxImageSize || address > kMaxImageSize)
            return tooLarge();
        const uint32_t rawOffset = static_cast<uint32_t>(output.Position());
        if (!output.Copy(stub, s.rawOffset, s.rawSize))
            return writeFailed();
        PeDirectory relocations = image.Directory(kDirBaseReloc);
        if (relocations.address >= s.virtualAddress && relocations.address < s.virtualAddress + s.virtualSize) {
            relocations.address = address + (relocations.address - s.virtualAddress);
            image.SetDirectory(kDirBaseReloc, relocations);
        }
        s.virtualAddress = address;
        s.rawOffset = rawOffset;
    }
    image.SetDirectory(kDirSecurity, {0, 0});

    std::vector<uint8_t> headers = image.Headers();
    const std::vector<uint8_t> tables = ResourceTables(tree, rsrc.virtualAddress);
    if (!out.Seek(0) || !out.Write(headers.data(), headers.size()) || !out.Seek(sectionStart) ||
        !out.Write(tables.data(), tables.size()))
        return writeFailed();
    uint32_t checksum = 0;
    if (!ComputePeChecksum(out, image.ChecksumOffset(), checksum))
        return writeFailed();
    uint8_t field[4];
    for (int i = 0; i < 4; ++i)
        field[i] = static_cast<uint8_t>(checksum >> (8 * i));
    if (!out.Seek(image.ChecksumOffset()) || !out.Write(field, sizeof field))
        return writeFailed();
    return true;
}

}  // namespace

int RunBuild(const std::vector<std::string>& args)
{
    Options options;
    if (!ParseOptions(args, options))
        return Fail("build", "usage: qvapack build PAYLOAD_DIR -o SETUP.exe [--stub STUB.exe] [--sign CERT KEY]");
    if (options.stub.empty()) {
        options.stub = DefaultStub();
        if (options.stub.empty())
            return Fail(kStubName, "not found beside qvapack or in the build tree; name the stub with --stub");
    }

    // Everything that can be refused is, before the long compression starts.
    std::vector<Container> containers = {{"setupdir", IDR_QVA_SETUP_INDEX, IDR_QVA_SETUP_DATA, {}, {}},
                                         {"windir", IDR_QVA_SYSTEM_INDEX, IDR_QVA_SYSTEM_DATA, {}, {}}};
    for (Container& c : containers) {
        const std::string folder = options.payload + "/" + c.folder;
        c.path = folder;
        if (!HostIsFolder(folder))
            return Fail(folder, "missing: the payload folder must hold setupdir/ and windir/");
        if (!WalkFolder(folder, c.files) || !ContainerStream(c.files, false, nullptr).CheckLimits(folder))
            return kExitBadInput;
    }
    if (!options.cert.empty()) {
        for (const std::string& file : {options.cert, options.key})
            if (!FileExists(file))
                return Fail(file, "cannot be read");
        if (HostRunQuiet({"osslsigncode", "--version"}) < 0)
            return Fail("osslsigncode", "not found; --sign signs with it (scripts/setup installs it)");
    }

    HostFile stub;
    if (!stub.OpenRead(options.stub))
        return Fail(options.stub, "cannot be read: " + LastHostError());
    PeImage image;
    std::string problem;
    int resourceSection = -1;
    ResourceNode tree;
    if (!image.Read(stub, stub.Length(), problem) ||
        !CheckStubLayout(image, stub.Length(), resourceSection, problem) ||
        !ReadResourceTree(stub, image, tree, problem))
        return Fail(options.stub, problem);
    const ResourceName payloadType{true, 0, kPayloadType};
    if (RemoveResource(tree, payloadType))
        std::fprintf(stderr, "qvapack: %s: carries a payload already; it is replaced\n", options.stub.c_str());
    if (!LoadResourceData(stub, image, tree, problem))
        return Fail(options.stub, problem);
    ResourceNode& type = AddResource(tree, payloadType);
    for (Container& c : containers) {
        for (uint16_t id : {c.indexId, c.dataId}) {
            ResourceNode& leaf = AddResource(AddResource(type, {false, id, {}}), {false, kPayloadLanguage, {}});
            leaf.isLeaf = true;
            leaf.written = true;
        }
    }
    // Pointers once the tree no longer changes.
    for (Container& c : containers) {
        c.index = FindResource(*FindResource(type, {false, c.indexId, {}}), {false, kPayloadLanguage, {}});
        c.data = FindResource(*FindResource(type, {false, c.dataId, {}}), {false, kPayloadLanguage, {}});
    }

    // Made under a name of its own and moved over the output at the end:
    // a failure leaves nothing behind, and the stub may be the output.
    const std::string& outPath = options.output;
    if (HostIsFolder(outPath))
        return Fail(outPath, "cannot be written: it is a folder");
    const std::string partPath = outPath + ".partial";
    const std::string signedPath = outPath + ".signed";
    HostFile out;
    if (!out.OpenWrite(partPath, true))
        return Fail(outPath, "cannot be written: " + LastHostError());
    bool ok = WriteInstaller(stub, options.stub, image, resourceSection, tree, containers, out, outPath);
    if (!out.Close() && ok)
        ok = Fail(outPath, "cannot be written: " + LastHostError()) == 0;
    std::string finished = partPath;
    if (ok && !options.cert.empty()) {
        // As scripts/sign does: Authenticode, SHA-256, the product's name.
        const int rc = HostRunQuiet({"osslsigncode", "sign", "-certs", options.cert, "-key", options.key, "-h",
                                     "sha256", "-n", kSignedName, "-in", partPath, "-out", signedPath});
        if (rc != 0) {
            HostRemoveFile(signedPath);
            ok = Fail(outPath, "signing failed (osslsigncode sign ended with " + std::to_string(rc) +
                                   "; is the key the certificate's?)") == 0;
        }
        finished = signedPath;
        HostMarkProgram(signedPath);
    }
    if (ok && !HostRename(finished, outPath))
        ok = Fail(outPath, "cannot be written: " + LastHostError()) == 0;
    HostRemoveFile(partPath);
    HostRemoveFile(signedPath);
    return ok ? 0 : kExitBadInput;
}

// qvapack: makes, inspects and unpacks the installer's payload containers.
#include <cstdio>
#include <cstring>

#include "payload/report.h"
#include "tools/qvapack/tool.h"

namespace {

struct Command {
    const char* name;
    const char* usage;
    int (*run)(const std::vector<std::string>& args);
};

const Command kCommands[] = {
    {"pack", "pack DIR OUT.qvai [--plain]   every file below DIR into OUT.qvai and OUT.qvas", RunPack},
    {"list", "list INDEX.qvai               size, offset, S/P, SM3 digest and name of each entry", RunList},
    {"verify", "verify INDEX.qvai             check every entry against its digest", RunVerify},
    {"extract", "extract INDEX.qvai DESTDIR    write changed entries below DESTDIR", RunExtract},
    {"compress", "compress IN OUT               LZMA-alone form of IN, as the installer's resources", RunCompress},
    {"unpack", "unpack IN OUT                 the installer's unpacking of an LZMA-alone file", RunUnpack},
    {"sysdir-hash", "sysdir-hash DIR OUT           the system-file list of the files below DIR", RunSysdirHash},
    {"build", "build PAYLOAD_DIR -o SETUP.exe [--stub STUB.exe] [--sign CERT KEY]\n"
              "                                the installer: the payload folder (setupdir/, windir/) in a copy of the stub",
     RunBuild},
};

int Usage(FILE* out)
{
    std::fputs("usage: qvapack COMMAND ARGS\n", out);
    for (const Command& command : kCommands)
        std::fprintf(out, "  qvapack %s\n", command.usage);
    return out == stdout ? 0 : kExitBadInput;
}

}  // namespace

void ToolReporter::EntryError(const std::string& name)
{
    std::fprintf(stderr, "qvapack: entry %s: damaged (digest mismatch or data missing)\n", PrintableName(name).c_str());
}

namespace {

int Run(const std::vector<std::string>& argv)
{
    if (argv.size() < 2)
        return Usage(stderr);
    const std::string& name = argv[1];
    if (name == "-h" || name == "--help" || name == "help")
        return Usage(stdout);

    std::vector<std::string> args(argv.begin() + 2, argv.end());
    for (const Command& command : kCommands)
        if (name == command.name)
            return command.run(args);
    std::fprintf(stderr, "qvapack: unknown command '%s'\n", name.c_str());
    return Usage(stderr);
}

}  // namespace

#ifdef _WIN32
// The command line in UTF-16, so that any file name reaches the tool; it works in UTF-8.
int wmain(int argc, wchar_t** argv)
{
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i)
        args.push_back(WideToUtf8(argv[i]));
    return Run(args);
}
#else
int main(int argc, char** argv) { return Run(std::vector<std::string>(argv, argv + argc)); }
#endif

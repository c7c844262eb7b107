// qvapack list / verify / extract INDEX.qvai
#include <sys/stat.h>
#ifdef _WIN32
#include <direct.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "payload/container.h"
#include "payload/entry.h"
#include "payload/report.h"
#include "tools/qvapack/tool.h"

namespace {

bool LoadIndex(const std::string& path, ContainerIndex& index)
{
    if (path.find(".qvai") == std::string::npos)
        return Fail(path, "not an index file (the name must contain .qvai)") == 0;
    if (!LoadContainerIndex(path, index))
        return Fail(path, "cannot be read or is not a container index (bad signature)") == 0;
    return true;
}

std::string HexDigest(const uint8_t* digest)
{
    static const char kHex[] = "0123456789abcdef";
    std::string hex;
    for (int i = 0; i < kSm3Size; ++i) {
        hex += kHex[digest[i] >> 4];
        hex += kHex[digest[i] & 15];
    }
    return hex;
}

std::string DisplayName(const ContainerEntry& entry)
{
    return PrintableName(entry.name.empty() ? entry.name : entry.name.substr(1));
}

// mkdir -p for the host path of the destination.
bool MakeHostFolders(const std::string& path)
{
    for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string prefix = path.substr(0, slash);
#ifdef _WIN32
        if (mkdir(prefix.c_str()) != 0 && errno != EEXIST)
#else
        if (mkdir(prefix.c_str(), 0755) != 0 && errno != EEXIST)
#endif
            return false;
        if (slash == std::string::npos)
            return true;
    }
}

}  // namespace

int RunList(const std::vector<std::string>& args)
{
    if (args.size() != 1)
        return Fail("list", "usage: qvapack list INDEX.qvai");
    ContainerIndex index;
    if (!LoadIndex(args[0], index))
        return kExitBadInput;
    for (const auto& item : index.entries) {
        const ContainerEntry& entry = item.second;
        std::printf("%10d %10d %c %s %s\n", entry.size, entry.offset, entry.scrambled ? 'S' : 'P',
                    HexDigest(entry.digest).c_str(), DisplayName(entry).c_str());
    }
    return 0;
}

int RunVerify(const std::vector<std::string>& args)
{
    if (args.size() != 1)
        return Fail("verify", "usage: qvapack verify INDEX.qvai");
    ContainerIndex index;
    if (!LoadIndex(args[0], index))
        return kExitBadInput;

    uint64_t total = 0;
    for (const auto& item : index.entries)
        total += item.second.size > 0 ? static_cast<uint64_t>(item.second.size) : 0;
    Progress progress("verify", total);
    size_t failed = 0;
    QuietReporter quiet;  // a failed entry is printed below
    EntryWorkspace workspace(quiet);
    for (const auto& item : index.entries) {
        const ContainerEntry& entry = item.second;
        const bool ok = CheckEntry(entry, workspace) == EntryCheck::Ok;
        progress.Advance(entry.size > 0 ? static_cast<uint64_t>(entry.size) : 0);
        if (!ok) {
            std::printf("FAILED %s\n", DisplayName(entry).c_str());
            ++failed;
        }
    }
    std::printf("%zu entries, %zu failed\n", index.Size(), failed);
    return failed ? kExitEntriesFailed : 0;
}

int RunExtract(const std::vector<std::string>& args)
{
    if (args.size() != 2)
        return Fail("extract", "usage: qvapack extract INDEX.qvai DESTDIR");
    ContainerIndex index;
    if (!LoadIndex(args[0], index))
        return kExitBadInput;
    std::string dest = args[1];
    while (dest.size() > 1 && dest.back() == '/')
        dest.pop_back();
    if (!MakeHostFolders(dest))
        return Fail(dest, std::string("cannot be created: ") + std::strerror(errno));

    size_t written = 0, unchanged = 0, empty = 0, failed = 0;
    uint64_t total = 0;
    for (const auto& item : index.entries)
        total += item.second.size > 0 ? static_cast<uint64_t>(item.second.size) : 0;
    Progress progress("extract", total);
    ToolReporter reporter;
    EntryWorkspace workspace(reporter);
    for (const auto& item : index.entries) {
        const ContainerEntry& entry = item.second;
        progress.Advance(entry.size > 0 ? static_cast<uint64_t>(entry.size) : 0);
        std::string rel, relHost;
        if (!EntryRelativePath(entry.name, rel)) {
            reporter.EntryError(entry.name);
            ++failed;
            continue;
        }
        if (!Cp936ToUtf8(rel, relHost)) {
            Fail(PrintableName(rel), "name is not valid code page 936");
            ++failed;
            continue;
        }
        // In UTF-8 every "\" byte is a separator (in code page 936 it may be the
        // second byte of a character), so the host path is the name with "/".
        std::replace(relHost.begin(), relHost.end(), '\\', '/');
        const std::string target = dest + "/" + relHost;
        if (!MakeHostFolders(target.substr(0, target.rfind('/')))) {
            Fail(target, std::string("folder cannot be created: ") + std::strerror(errno));
            ++failed;
            continue;
        }
        const WriteResult result = WriteEntry(entry.name, index, target, workspace);
        switch (result.outcome) {
        case WriteOutcome::Written:
        case WriteOutcome::Unchanged:
            if (entry.size == 0)
                ++empty;
            else if (result.outcome == WriteOutcome::Written)
                ++written;
            else
                ++unchanged;
            break;
        case WriteOutcome::Unreadable:
        case WriteOutcome::Damaged:
            ++failed;  // reported by the entry code
            continue;
        default:
            Fail(target, "cannot be written");
            ++failed;
            continue;
        }
        if (!result.verified)
            ++failed;
    }
    std::printf("%zu written, %zu unchanged, %zu empty, %zu failed\n", written, unchanged, empty, failed);
    return failed ? kExitEntriesFailed : 0;
}

#include "support.h"

#include <cstring>
#include <random>

#include <gtest/gtest.h>

#include "LzmaEnc.h"
#include "payload/container.h"
#include "payload/fileio.h"
#include "payload/sm3.h"
#include "payload/tree.h"
#include "payload/unpack.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdlib>
#endif

TempFolder::TempFolder()
{
#ifdef _WIN32
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    static unsigned counter = 0;
    for (;;) {
        path_ = std::string(temp) + "qvatest" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++counter);
        if (CreateDirectoryA(path_.c_str(), nullptr))
            break;
    }
#else
    char pattern[] = "/tmp/qvatest-XXXXXX";
    path_ = mkdtemp(pattern);
#endif
}

TempFolder::~TempFolder()
{
#ifdef _WIN32
    SetCurrentDirectoryA("C:\\");
#endif
    DeleteTree(path_);
}

void WriteBytes(const std::string& path, const std::string& bytes)
{
    // A fixture that was not written would let the test pass for the wrong reason.
    File file;
    if (!file.OpenWrite(path)) {
        ADD_FAILURE() << "cannot create " << path;
        return;
    }
    if (!file.Write(bytes.data(), bytes.size()))
        ADD_FAILURE() << "cannot write " << path;
}

std::string ReadBytes(const std::string& path)
{
    File file;
    if (!file.OpenRead(path))
        return "<missing>";
    std::string bytes(static_cast<size_t>(file.Length()), '\0');
    bytes.resize(file.Read(&bytes[0], bytes.size()));
    return bytes;
}

std::string RandomBytes(size_t size, uint32_t seed)
{
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random());
    return bytes;
}

std::string IndexHeader()
{
    std::string header(kIndexHeaderSize, '\0');
    std::memcpy(&header[0], kContainerSignature, sizeof kContainerSignature - 1);
    return header;
}

std::string RawRecord(uint8_t flag, const std::string& nameField, const uint8_t digest[32], int32_t offset,
                      int32_t size)
{
    std::string record(kIndexRecordSize, '\0');
    record[0] = static_cast<char>(flag);
    std::memcpy(&record[kRecordNameOffset], nameField.data(), std::min<size_t>(nameField.size(), kRecordNameSize));
    std::memcpy(&record[kRecordDigestOffset], digest, kSm3Size);
    for (int i = 0; i < 4; ++i) {
        record[kRecordDataOffset + i] = static_cast<char>(static_cast<uint32_t>(offset) >> (8 * i));
        record[kRecordSizeOffset + i] = static_cast<char>(static_cast<uint32_t>(size) >> (8 * i));
    }
    if (flag == kScrambledFlag)
        for (int i = 1; i < kIndexRecordSize; ++i)
            record[i] = static_cast<char>(ScrambleByte(static_cast<uint8_t>(record[i])));
    return record;
}

std::string BuildContainer(const std::string& indexPath, const std::vector<TestEntry>& entries)
{
    std::string index = IndexHeader(), data;
    for (const TestEntry& entry : entries) {
        uint8_t digest[kSm3Size];
        ComputeSm3(entry.content.data(), entry.content.size(), digest);
        index += RawRecord(entry.flag, entry.name, digest, static_cast<int32_t>(data.size()),
                           static_cast<int32_t>(entry.content.size()));
        for (char c : entry.content)
            data += entry.flag == kScrambledFlag ? static_cast<char>(ScrambleByte(static_cast<uint8_t>(c))) : c;
    }
    WriteBytes(indexPath, index);
    const std::string dataPath = DataFilePathOf(indexPath);
    WriteBytes(dataPath, data);
    return dataPath;
}

namespace {
void* Alloc(void*, size_t size) { return std::malloc(size ? size : 1); }
void Free(void*, void* address) { std::free(address); }
ISzAlloc allocator = {Alloc, Free};
}  // namespace

std::string CompressLzmaAlone(const std::string& data, uint64_t sizeField, uint32_t dictionary)
{
    CLzmaEncProps props;
    LzmaEncProps_Init(&props);
    props.level = 5;
    props.dictSize = dictionary;
    props.lc = 3;
    props.lp = 0;
    props.pb = 2;
    props.numThreads = 1;
    std::string out(kLzmaAloneHeaderSize + data.size() + data.size() / 2 + 1024, '\0');
    SizeT outSize = out.size() - kLzmaAloneHeaderSize;
    SizeT propsSize = 5;
    const SRes res = LzmaEncode(reinterpret_cast<Byte*>(&out[kLzmaAloneHeaderSize]), &outSize,
                                reinterpret_cast<const Byte*>(data.data()), data.size(), &props,
                                reinterpret_cast<Byte*>(&out[0]), &propsSize, 0, nullptr, &allocator, &allocator);
    if (res != SZ_OK)
        return std::string();
    for (int i = 0; i < 8; ++i)
        out[5 + i] = static_cast<char>(sizeField >> (8 * i));
    out.resize(kLzmaAloneHeaderSize + outSize);
    return out;
}

#ifdef _WIN32
ReadOnlyFile::ReadOnlyFile(const std::string& path)
    : path_(path), made_(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY) != 0)
{
}

ReadOnlyFile::~ReadOnlyFile()
{
    SetFileAttributesA(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
}

std::string DeniedFolder()
{
    char unixPath[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableA("TOLVANE_WINE_DENIED_FOLDER", unixPath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || unixPath[0] != '/')
        return std::string();
    std::string path = std::string("Z:") + unixPath;
    for (char& c : path)
        c = c == '/' ? '\\' : c;
    return path;
}

bool FilePermissionsHold(const TempFolder& temp)
{
    const std::string probe = temp / "permission-probe.txt";
    WriteBytes(probe, "probe");
    bool refused = false;
    {
        ReadOnlyFile readOnly(probe);
        HANDLE file = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        refused = file == INVALID_HANDLE_VALUE;
        if (!refused)
            CloseHandle(file);
    }
    DeleteFileA(probe.c_str());
    return refused;
}

bool UnprivilegedRun()
{
    char value[8] = {};
    return GetEnvironmentVariableA("TOLVANE_WINE_UNPRIVILEGED", value, sizeof value) == 1 && value[0] == '1';
}
#endif

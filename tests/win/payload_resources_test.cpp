// The payload resources of the program's own module: found by the lower-case
// type name in whatever language they carry, and unpacked into a file.
#include "install/payload_resources.h"
#include "payload/fileio.h"
#include "payload/report.h"
#include "win/winapp.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

// Read as the installer's own readers do: sharing read, write and delete.
std::string ReadAll(const std::string& path)
{
    File file;
    if (!file.OpenRead(path))
        return "<missing>";
    std::string bytes(static_cast<size_t>(file.Length()), '\0');
    bytes.resize(file.Read(&bytes[0], bytes.size()));
    return bytes;
}

bool Exists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string TempPath(const char* name)
{
    char temp[MAX_PATH + 1] = {};
    ::GetTempPathA(MAX_PATH, temp);
    return std::string(temp) + name;
}

TEST(PayloadResources, UnpacksGoodAndRefusesDamagedOrMissing)
{
    // The build machine's copy of the sample, reached through Wine's Z: drive.
    std::string expected = ReadAll(std::string("Z:") + SAMPLE_TEXT_PATH);
    ASSERT_FALSE(expected.empty());

    QuietReporter quiet;
    std::string good = TempPath("qva-good.bin");
    File held;
    EXPECT_TRUE(UnpackPayloadResource(129, good, held, quiet));
    EXPECT_EQ(ReadAll(good), expected);

    File cut, missing;
    EXPECT_FALSE(UnpackPayloadResource(130, TempPath("qva-cut.bin"), cut, quiet));
    EXPECT_FALSE(UnpackPayloadResource(131, TempPath("qva-missing.bin"), missing, quiet));
    EXPECT_FALSE(missing.IsOpen());
}

// The compressed bytes are read through the program file at the resource's
// place. A file at that name whose bytes there start otherwise (another
// program of the user put it there) is not read at all: the image's own
// bytes are unpacked instead, as they are when there is no file.
TEST(PayloadResources, ReadsThroughTheProgramFileOnlyWhereItStartsAsTheImage)
{
    const std::string expected = ReadAll(std::string("Z:") + SAMPLE_TEXT_PATH);
    HRSRC info = ::FindResourceA(nullptr, MAKEINTRESOURCEA(129), "qva");
    ASSERT_NE(info, nullptr);
    const std::string image(static_cast<const char*>(::LockResource(::LoadResource(nullptr, info))),
                            ::SizeofResource(nullptr, info));
    const std::string program = ReadAll(ProgramFile());
    const size_t at = program.find(image);
    ASSERT_NE(at, std::string::npos);

    // A copy of the program with one byte of the resource changed.
    const auto unpackWithByteChanged = [&](size_t index, std::string& unpacked) {
        std::string copy = program;
        copy[at + index] = static_cast<char>(copy[at + index] ^ 0x55);
        const std::string copyPath = TempPath("program-copy.exe");
        {
            File out;
            EXPECT_TRUE(out.OpenWrite(copyPath) && out.Write(copy.data(), copy.size()));
        }
        QuietReporter quiet;
        File held;
        const std::string target = TempPath("qva-through-copy.bin");
        const bool done = UnpackLockedResource(LockPayloadResource(129), target, held, quiet, nullptr, copyPath);
        unpacked = done ? ReadAll(target) : std::string("<failed>");
        ::DeleteFileA(copyPath.c_str());
        return done;
    };
    std::string unpacked;
    unpackWithByteChanged(image.size() - 8, unpacked);  // read from the copy: fails or comes out otherwise
    EXPECT_NE(unpacked, expected);
    EXPECT_TRUE(unpackWithByteChanged(20, unpacked));  // the copy is not read
    EXPECT_EQ(unpacked, expected);

    QuietReporter quiet;
    File held;
    const std::string target = TempPath("qva-no-file.bin");
    EXPECT_TRUE(UnpackLockedResource(LockPayloadResource(129), target, held, quiet, nullptr,
                                     TempPath("no-such-program.exe")));
    EXPECT_EQ(ReadAll(target), expected);
}

// The unpacked file is made anew, and while it is held nobody else may write,
// rename, replace or delete it; it goes with its handle.
TEST(PayloadResources, TheUnpackedFileIsHeldForTheInstallerAloneAndGoesWithIt)
{
    const std::string path = TempPath("setupdir.qvai");
    const std::string other = TempPath("other.bin");
    {
        File old, spare;
        ASSERT_TRUE(old.OpenWrite(path) && old.Write("an older, longer file of that name", 34));
        ASSERT_TRUE(spare.OpenWrite(other) && spare.Write("spare", 5));
    }
    {
        QuietReporter quiet;
        File held;
        ASSERT_TRUE(UnpackPayloadResource(129, path, held, quiet));
        EXPECT_EQ(ReadAll(path), ReadAll(std::string("Z:") + SAMPLE_TEXT_PATH));

        HANDLE writer = ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
        EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        if (writer != INVALID_HANDLE_VALUE)
            ::CloseHandle(writer);
        EXPECT_FALSE(::MoveFileA(path.c_str(), (path + ".moved").c_str()));
        EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        EXPECT_FALSE(::MoveFileExA(other.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING));
        EXPECT_FALSE(::DeleteFileA(path.c_str()));
        EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        EXPECT_EQ(ReadAll(other), "spare");
    }
    EXPECT_FALSE(Exists(path));
    EXPECT_FALSE(Exists(path + ".moved"));
    ::DeleteFileA(other.c_str());
}

TEST(PayloadResources, CorruptionMessageCarriesTheCode)
{
    EXPECT_EQ(CorruptionMessage(4), "安装程序被损坏,请重新下载!\nCode=4");
    EXPECT_EQ(ProgramName(), "app_tests");
}

}  // namespace

// The payload resources of the program's own module: found by the lower-case
// type name in whatever language they carry, and unpacked into a file.
#include "payload_resources.h"
#include "win/winapp.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>

namespace {

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

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

    std::string good = TempPath("qva-good.bin");
    EXPECT_TRUE(UnpackPayloadResource(129, good));
    EXPECT_EQ(ReadAll(good), expected);

    EXPECT_FALSE(UnpackPayloadResource(130, TempPath("qva-cut.bin")));
    EXPECT_FALSE(UnpackPayloadResource(131, TempPath("qva-missing.bin")));
}

TEST(PayloadResources, CorruptionMessageCarriesTheCode)
{
    EXPECT_EQ(CorruptionMessage(4), "安装程序被损坏,请重新下载!\nCode=4");
    EXPECT_EQ(ProgramName(), "app_tests");
}

}  // namespace

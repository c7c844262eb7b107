#include <gtest/gtest.h>

#include "payload/fileio.h"
#include "support.h"
#include "payload/unpack.h"

namespace {

class UnpackTest : public ::testing::Test {
protected:
    // Into a file opened here, as the tools do.
    bool Unpack(const std::string& stream, const std::string& target)
    {
        File file;
        file.OpenWrite(target);
        return UnpackInto(stream, file, target) && file.Close();
    }
    // Into a file the caller holds, as the installer does.
    bool UnpackInto(const std::string& stream, File& target, const std::string& path)
    {
        return UnpackResourceInto(reinterpret_cast<const uint8_t*>(stream.data()), stream.size(), target, path,
                                  reporter_);
    }

    TempFolder temp_;
    RecordingReporter reporter_;
    std::string data_ = RandomBytes(3000, 7) + std::string(20000, 'z') + RandomBytes(3000, 7);
};

TEST_F(UnpackTest, WritesTheDeclaredContent)
{
    ASSERT_TRUE(Unpack(CompressLzmaAlone(data_, data_.size()), temp_ / "out"));
    EXPECT_EQ(ReadBytes(temp_ / "out"), data_);
    EXPECT_TRUE(reporter_.diagnostics.empty());
}

TEST_F(UnpackTest, OutputLargerThanTheDictionaryWrapsAroundIt)
{
    // 4 KiB dictionary, 300 KiB of output with repeats at every distance the dictionary allows.
    std::string data;
    for (uint32_t i = 0; data.size() < 300 * 1024; ++i)
        data += RandomBytes(1500, i % 5) + RandomBytes(700, i);
    ASSERT_TRUE(Unpack(CompressLzmaAlone(data, data.size(), 4096), temp_ / "out"));
    EXPECT_EQ(ReadBytes(temp_ / "out"), data);
}

TEST_F(UnpackTest, SizeFieldIsReadByItsLow32Bits)
{
    ASSERT_TRUE(Unpack(CompressLzmaAlone(data_, data_.size() | (uint64_t{5} << 32)), temp_ / "out"));
    EXPECT_EQ(ReadBytes(temp_ / "out"), data_);
}

TEST_F(UnpackTest, AStreamLongerThanDeclaredIsCutAtTheDeclaredSize)
{
    ASSERT_TRUE(Unpack(CompressLzmaAlone(data_, 1000), temp_ / "out"));
    EXPECT_EQ(ReadBytes(temp_ / "out"), data_.substr(0, 1000));
}

TEST_F(UnpackTest, ZeroSizeGivesAnEmptyFile)
{
    ASSERT_TRUE(Unpack(CompressLzmaAlone(data_, 0), temp_ / "out"));
    EXPECT_EQ(ReadBytes(temp_ / "out"), "");
}

TEST_F(UnpackTest, DecoderErrorsAreReportedAndLeaveAnEmptyTarget)
{
    const std::string good = CompressLzmaAlone(data_, data_.size());
    std::string corrupt = good;
    corrupt[13] = 1;  // the range coder's first byte must be zero
    std::string badProperties = good;
    badProperties[0] = static_cast<char>(225);
    std::string sizeNotStored = good;
    for (int i = 5; i < 13; ++i)
        sizeNotStored[i] = static_cast<char>(0xFF);
    std::string corruptMiddle = good;
    for (size_t i = 200; i < 260; ++i)
        corruptMiddle[i] = static_cast<char>(corruptMiddle[i] ^ 0x5A);

    struct Case {
        const char* what;
        std::string stream;
        const char* line;
    } cases[] = {
        {"corrupt first byte", corrupt, "LzmaUncompress:1\n"},
        {"stream ends before the declared size", good.substr(0, good.size() / 2), "LzmaUncompress:6\n"},
        {"declared size beyond the stream", CompressLzmaAlone(data_, data_.size() + 10), "LzmaUncompress:6\n"},
        {"only the header and four bytes", good.substr(0, 17), "LzmaUncompress:6\n"},
        {"shorter than the header", good.substr(0, 7), "LzmaUncompress:6\n"},
        {"unsupported properties", badProperties, "LzmaUncompress:4\n"},
        {"size not stored", sizeNotStored, "LzmaUncompress:4\n"},
    };
    for (const Case& c : cases) {
        WriteBytes(temp_ / "out", "stale content");
        reporter_.diagnostics.clear();
        EXPECT_FALSE(Unpack(c.stream, temp_ / "out")) << c.what;
        EXPECT_EQ(reporter_.diagnostics, std::vector<std::string>{c.line}) << c.what;
        EXPECT_EQ(ReadBytes(temp_ / "out"), "") << c.what;
    }

    // Damage inside the stream: an error or wrong bytes, never a crash; an error leaves nothing.
    reporter_.diagnostics.clear();
    if (!Unpack(corruptMiddle, temp_ / "out")) {
        EXPECT_EQ(ReadBytes(temp_ / "out"), "");
    }
}

TEST_F(UnpackTest, ATargetThatCannotBeCreatedFailsBeforeDecoding)
{
    const std::string target = temp_ / "missing\\out";
    EXPECT_FALSE(Unpack(CompressLzmaAlone(data_, data_.size()), target));
    EXPECT_EQ(reporter_.diagnostics, std::vector<std::string>{"Open DesFile ERR:" + target + "\n"});
}

TEST_F(UnpackTest, UnpackingAgainOverwritesTheEarlierFile)
{
    ASSERT_TRUE(Unpack(CompressLzmaAlone(data_, data_.size()), temp_ / "out"));
    ASSERT_TRUE(Unpack(CompressLzmaAlone("short", 5), temp_ / "out"));
    EXPECT_EQ(ReadBytes(temp_ / "out"), "short");
}

}  // namespace

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

TEST_F(UnpackTest, IntoAFileMadeAnewThatGoesWhenItIsClosed)
{
    const std::string path = temp_ / "setupdir.qvas";
    WriteBytes(path, std::string(50000, 'o'));  // an older, longer file of that name
    {
        File held;
        ASSERT_TRUE(held.CreateExclusive(path));
        ASSERT_TRUE(UnpackInto(CompressLzmaAlone(data_, data_.size()), held, path));
        EXPECT_EQ(ReadBytes(path), data_);  // read alongside the held file

        // A damaged stream leaves it empty, still held.
        EXPECT_FALSE(UnpackInto(CompressLzmaAlone(data_, data_.size()).substr(0, 40), held, path));
        EXPECT_EQ(ReadBytes(path), "");
    }
    EXPECT_EQ(ReadBytes(path), "<missing>");

    File notOpen;
    EXPECT_FALSE(UnpackInto(CompressLzmaAlone(data_, data_.size()), notOpen, path));
    EXPECT_EQ(reporter_.diagnostics.back(), "Open DesFile ERR:" + path + "\n");
}

#ifndef _WIN32
TEST_F(UnpackTest, ALinkPlantedUnderTheNameIsRemovedNotWrittenThrough)
{
    const std::string other = temp_ / "other.bin";
    const std::string path = temp_ / "setupdir.qvas";
    WriteBytes(other, "someone else's bytes");
    ASSERT_EQ(symlink(NativePath(other).c_str(), NativePath(path).c_str()), 0);
    File held;
    ASSERT_TRUE(held.CreateExclusive(path));
    ASSERT_TRUE(UnpackInto(CompressLzmaAlone(data_, data_.size()), held, path));
    EXPECT_EQ(ReadBytes(other), "someone else's bytes");
    EXPECT_EQ(ReadBytes(path), data_);
}
#endif

}  // namespace

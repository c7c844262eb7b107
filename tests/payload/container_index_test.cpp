#include <gtest/gtest.h>

#include <cstring>

#include "payload/container.h"
#include "payload/sm3.h"
#include "support.h"

namespace {

const uint8_t kZeroDigest[32] = {};

std::vector<std::string> WalkNames(ContainerIndex& index)
{
    std::vector<std::string> names;
    for (index.First(); !index.AtEnd(); index.Next())
        names.push_back(index.Current().name);
    return names;
}

TEST(Scrambling, SwapsHalvesThenXorsWithTheKey)
{
    EXPECT_EQ(DescrambleByte(0x12), 0x21 ^ kContainerKey);
    EXPECT_EQ(DescrambleByte(0xF0), 0x0F ^ kContainerKey);
    for (int p = 0; p < 256; ++p)
        ASSERT_EQ(DescrambleByte(ScrambleByte(static_cast<uint8_t>(p))), p);
}

TEST(ContainerIndexFile, RecordCountComesFromTheLengthAlone)
{
    struct Case {
        const char* what;
        size_t recordBytes;
        size_t expected;
    } cases[] = {
        {"header only", 0, 0},
        {"one byte short of a record", 300, 0},
        {"one record and a partial one", 301 + 300, 1},
        {"three records", 3 * 301, 3},
    };
    for (const Case& c : cases) {
        TempFolder temp;
        std::string records;
        for (size_t i = 0; i * 301 < c.recordBytes; ++i)
            records += RawRecord(0, "\\f" + std::to_string(i), kZeroDigest, 0, 1);
        records.resize(c.recordBytes);
        WriteBytes(temp / "x.qvai", IndexHeader() + records);
        ContainerIndex index;
        EXPECT_TRUE(LoadContainerIndex(temp / "x.qvai", index)) << c.what;
        EXPECT_EQ(index.Size(), c.expected) << c.what;
    }
}

TEST(ContainerIndexFile, HeaderMustCarryTheSignatureAndItsZero)
{
    std::string afterZero = IndexHeader();
    afterZero[200] = 'x';
    std::string noZero = IndexHeader();
    noZero[101] = 'x';
    std::string only100 = IndexHeader();
    only100[100] = '\0';
    std::string wrongByte = IndexHeader();
    wrongByte[0] ^= 1;
    const std::string shortFile = IndexHeader().substr(0, 300);

    struct Case {
        const char* what;
        std::string bytes;
        bool accepted;
    } cases[] = {
        {"bytes after the zero are not examined", afterZero + RawRecord(0, "\\a", kZeroDigest, 0, 1), true},
        {"non-zero byte at offset 101", noZero, false},
        {"signature matches only in its first 100 bytes", only100, false},
        {"first byte differs", wrongByte, false},
        {"file ends inside the header", shortFile, false},
        {"empty file", "", false},
    };
    for (const Case& c : cases) {
        TempFolder temp;
        WriteBytes(temp / "x.qvai", c.bytes);
        ContainerIndex index;
        index.entries["\\keep"].size = 7;
        EXPECT_EQ(LoadContainerIndex(temp / "x.qvai", index), c.accepted) << c.what;
        EXPECT_EQ(index.Size(), c.accepted ? 2u : 1u) << c.what;  // a rejected file leaves the index as it was
    }
}

TEST(ContainerIndexFile, PathMustNameAnIndexFile)
{
    TempFolder temp;
    WriteBytes(temp / "x.idx", IndexHeader());
    ContainerIndex index;
    EXPECT_FALSE(LoadContainerIndex(temp / "x.idx", index));
    EXPECT_FALSE(LoadContainerIndex(temp / "missing.qvai", index));
    EXPECT_FALSE(LoadContainerIndex(temp.Path(), index));
}

TEST(ContainerIndexFile, DataFileIsTheIndexPathWithItsLastFourCharactersReplaced)
{
    TempFolder temp;
    WriteBytes(temp / "x.qvai.bak", IndexHeader() + RawRecord(0, "\\a", kZeroDigest, 0, 1));
    ContainerIndex index;
    ASSERT_TRUE(LoadContainerIndex(temp / "x.qvai.bak", index));
    EXPECT_EQ(index.Find("\\a")->dataFile, temp / "x.qvaiqvas");
    EXPECT_EQ(DataFilePathOf("C:\\t\\setupdir.qvai"), "C:\\t\\setupdir.qvas");
}

TEST(ContainerIndexFile, RecordFieldsAreReadAndTheLastRecordOfANameWins)
{
    TempFolder temp;
    uint8_t digestA[32], digestB[32];
    ComputeSm3("a", 1, digestA);
    ComputeSm3("b", 1, digestB);
    WriteBytes(temp / "x.qvai", IndexHeader() + RawRecord(1, "\\dup", digestA, 10, 20) +
                                    RawRecord(0, "\\plain0", digestA, -5, 0x7FFFFFFF) +
                                    RawRecord(2, "\\plain2", digestA, 1, 2) + RawRecord(0, "\\dup", digestB, 30, 40));
    ContainerIndex index;
    ASSERT_TRUE(LoadContainerIndex(temp / "x.qvai", index));
    ASSERT_EQ(index.Size(), 3u);

    const ContainerEntry* dup = index.Find("\\dup");
    ASSERT_NE(dup, nullptr);
    EXPECT_EQ(dup->offset, 30);
    EXPECT_EQ(dup->size, 40);
    EXPECT_FALSE(dup->scrambled);
    EXPECT_EQ(std::memcmp(dup->digest, digestB, 32), 0);

    const ContainerEntry* plain0 = index.Find("\\plain0");
    EXPECT_EQ(plain0->offset, -5);
    EXPECT_EQ(plain0->size, 0x7FFFFFFF);
    EXPECT_FALSE(plain0->scrambled);
    EXPECT_FALSE(index.Find("\\plain2")->scrambled);
    EXPECT_EQ(index.Find("\\nothing"), nullptr);
}

TEST(ContainerIndexFile, ScrambledRecordsAreDescrambled)
{
    TempFolder temp;
    uint8_t digest[32];
    ComputeSm3("x", 1, digest);
    WriteBytes(temp / "x.qvai", IndexHeader() + RawRecord(1, "\\sub\\lib.dll", digest, 0x01020304, 77));
    ContainerIndex index;
    ASSERT_TRUE(LoadContainerIndex(temp / "x.qvai", index));
    const ContainerEntry* entry = index.Find("\\sub\\lib.dll");
    ASSERT_NE(entry, nullptr);
    EXPECT_TRUE(entry->scrambled);
    EXPECT_EQ(entry->offset, 0x01020304);
    EXPECT_EQ(entry->size, 77);
    EXPECT_EQ(std::memcmp(entry->digest, digest, 32), 0);
}

TEST(ContainerIndexFile, NameWithoutZeroIsCutAtItsField)
{
    TempFolder temp;
    const std::string longName(260, 'n');
    WriteBytes(temp / "x.qvai", IndexHeader() + RawRecord(1, longName, kZeroDigest, 0, 1));
    ContainerIndex index;
    ASSERT_TRUE(LoadContainerIndex(temp / "x.qvai", index));
    ASSERT_EQ(index.Size(), 1u);
    EXPECT_EQ(index.entries.begin()->first, longName);
}

TEST(ContainerIndexFile, TwoIndexesMergeAndKeepTheirDataFiles)
{
    TempFolder temp;
    WriteBytes(temp / "one.qvai", IndexHeader() + RawRecord(0, "\\a", kZeroDigest, 0, 1));
    WriteBytes(temp / "two.qvai", IndexHeader() + RawRecord(0, "\\b", kZeroDigest, 0, 1));
    ContainerIndex index;
    ASSERT_TRUE(LoadContainerIndex(temp / "one.qvai", index));
    ASSERT_TRUE(LoadContainerIndex(temp / "two.qvai", index));
    EXPECT_EQ(index.Find("\\a")->dataFile, temp / "one.qvas");
    EXPECT_EQ(index.Find("\\b")->dataFile, temp / "two.qvas");
}

TEST(ContainerIndexWalk, VisitsNamesInUnsignedByteOrder)
{
    ContainerIndex index;
    for (const char* name : {"a", "B", "ab", "\xB0\xB2", "Z"})
        index.entries[name].name = name;
    EXPECT_EQ(WalkNames(index), (std::vector<std::string>{"B", "Z", "a", "ab", "\xB0\xB2"}));
}

TEST(ContainerIndexWalk, ACopyWalksOnItsOwn)
{
    ContainerIndex index;
    for (const char* name : {"a", "b", "c"})
        index.entries[name].name = name;
    index.First();
    index.Next();
    ContainerIndex copy(index);
    EXPECT_EQ(copy.Current().name, "b");
    copy.First();
    EXPECT_EQ(copy.Current().name, "a");
    EXPECT_EQ(index.Current().name, "b");
    ContainerIndex empty;
    EXPECT_TRUE(empty.AtEnd());
}

}  // namespace

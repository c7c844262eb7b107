#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "payload/container.h"
#include "payload/entry.h"
#include "payload/entry_verifier.h"
#include "payload/fileio.h"
#include "payload/sm3.h"
#include "support.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#endif

namespace {

// What every entry test writes with: a workspace whose reporter records.
class EntryWriting : public ::testing::Test {
protected:
    WriteResult WriteEntry(const std::string& name, const ContainerIndex& index, const std::string& target)
    {
        EntryWorkspace workspace(reporter_);
        return ::WriteEntry(name, index, target, workspace);
    }
    bool WriteEntryIfChanged(const std::string& name, const ContainerIndex& index, const std::string& target)
    {
        const WriteOutcome outcome = WriteEntry(name, index, target).outcome;
        return outcome == WriteOutcome::Written || outcome == WriteOutcome::Unchanged;
    }

    RecordingReporter reporter_;
};

class EntryTest : public EntryWriting {
protected:
    // A container with a scrambled and a plain entry; content known.
    void SetUp() override
    {
        content_ = RandomBytes(5000, 1);
        dataPath_ = BuildContainer(temp_ / "c.qvai", {{"\\lib.dll", content_, 1},
                                                      {"\\plain.txt", "plain text", 0},
                                                      {"\\empty", "", 1}});
        ASSERT_TRUE(LoadContainerIndex(temp_ / "c.qvai", index_));
    }

    WriteOutcome Write(const std::string& name, const std::string& target)
    {
        return WriteEntry(name, index_, target).outcome;
    }

    TempFolder temp_;
    std::string content_;
    std::string dataPath_;
    ContainerIndex index_;
};

TEST_F(EntryTest, WritesScrambledAndPlainEntriesThenLeavesThemAlone)
{
    EXPECT_TRUE(WriteEntryIfChanged("\\lib.dll", index_, temp_ / "lib.dll"));
    EXPECT_TRUE(WriteEntryIfChanged("\\plain.txt", index_, temp_ / "plain.txt"));
    EXPECT_EQ(ReadBytes(temp_ / "lib.dll"), content_);
    EXPECT_EQ(ReadBytes(temp_ / "plain.txt"), "plain text");

    EXPECT_EQ(Write("\\lib.dll", temp_ / "lib.dll"), WriteOutcome::Unchanged);
    EXPECT_EQ(Write("\\plain.txt", temp_ / "plain.txt"), WriteOutcome::Unchanged);
    EXPECT_TRUE(reporter_.entryErrors.empty());
}

TEST_F(EntryTest, ATargetThatDiffersIsRewritten)
{
    std::string lastByte = content_;
    lastByte.back() ^= 1;
    const std::string cases[] = {lastByte, content_ + "x", content_.substr(0, 10), ""};
    for (const std::string& old : cases) {
        WriteBytes(temp_ / "lib.dll", old);
        EXPECT_EQ(Write("\\lib.dll", temp_ / "lib.dll"), WriteOutcome::Written) << old.size();
        EXPECT_EQ(ReadBytes(temp_ / "lib.dll"), content_);
    }
}

TEST_F(EntryTest, AnEmptyEntryCreatesAMissingTargetAndLeavesAnExistingOneAlone)
{
    EXPECT_EQ(Write("\\empty", temp_ / "empty"), WriteOutcome::Written);
    EXPECT_EQ(ReadBytes(temp_ / "empty"), "");
    WriteBytes(temp_ / "empty", "old");
    EXPECT_EQ(Write("\\empty", temp_ / "empty"), WriteOutcome::Unchanged);
    EXPECT_EQ(ReadBytes(temp_ / "empty"), "old");
    EXPECT_TRUE(reporter_.entryErrors.empty());
}

// The payload files are held open from their making; when another program
// makes their names lead elsewhere (the folder moved away and another put in
// its place), the index and the entries are still read from the files held,
// by the extraction and the verifier alike, never from what the names now
// name.
TEST(PinnedFiles, ReadThroughTheHeldFilesAfterTheirNamesWereSwapped)
{
    TempFolder temp;
    ASSERT_TRUE(MakeFolder(temp / "payload"));
    const std::string index = temp / "payload\\c.qvai";
    const std::string content = RandomBytes(3000, 7);
    const std::string data = BuildContainer(index, {{"\\lib.dll", content, 1}});
    File heldIndex, heldData;
    ASSERT_TRUE(heldIndex.OpenRead(index));
    ASSERT_TRUE(heldData.OpenRead(data));

    // Swapped: the folder moved away, another one in its place with
    // another container of the same names (its own digests, so its bytes
    // would pass a check made against them).
#ifdef _WIN32
    auto native = [](const std::string& path) { return path; };
#else
    auto native = [](const std::string& path) { return NativePath(path); };
#endif
    ASSERT_EQ(std::rename(native(temp / "payload").c_str(), native(temp / "moved").c_str()), 0);
    ASSERT_TRUE(MakeFolder(temp / "payload"));
    BuildContainer(index, {{"\\lib.dll", "planted bytes", 1}});

    ContainerIndex loaded;
    ASSERT_TRUE(LoadContainerIndex(index, loaded, &heldIndex));
    const PinnedFiles pins = {{data, &heldData}};
    EntryVerifier verifier;
    verifier.Start(loaded, ContainerIndex(), &pins);
    RecordingReporter reporter;
    EntryWorkspace workspace(reporter);
    workspace.UseVerifier(&verifier);
    workspace.PinFiles(&pins);
    EXPECT_EQ(WriteEntry("\\lib.dll", loaded, temp / "lib.dll", workspace).outcome, WriteOutcome::Written);
    EXPECT_EQ(ReadBytes(temp / "lib.dll"), content);

    // By name, as before, the planted container is what is read.
    ContainerIndex byName;
    ASSERT_TRUE(LoadContainerIndex(index, byName));
    EXPECT_EQ(byName.Find("\\lib.dll")->size, 13);
}

TEST_F(EntryTest, AMissingEntryIsNotWritten)
{
    EXPECT_FALSE(WriteEntryIfChanged("\\nothing", index_, temp_ / "nothing"));
    EXPECT_EQ(ReadBytes(temp_ / "nothing"), "<missing>");
    EXPECT_TRUE(reporter_.entryErrors.empty());
}

TEST_F(EntryTest, ADigestMismatchIsReportedOnceAndNoByteReachesTheTarget)
{
    index_.entries["\\lib.dll"].digest[31] ^= 1;
    for (const char* old : {"<missing>", "previous", ""}) {
        if (std::string(old) != "<missing>")
            WriteBytes(temp_ / "lib.dll", old);
        reporter_.entryErrors.clear();
        const WriteResult result = WriteEntry("\\lib.dll", index_, temp_ / "lib.dll");
        EXPECT_EQ(result.outcome, WriteOutcome::Damaged) << old;
        EXPECT_FALSE(result.verified);
        EXPECT_EQ(reporter_.entryErrors, std::vector<std::string>{"\\lib.dll"});
        EXPECT_EQ(ReadBytes(temp_ / "lib.dll"), old);
    }
}

// Entries larger than one chunk: checked, compared and written in pieces.
class LargeEntryTest : public EntryWriting {
protected:
    void SetUp() override
    {
        content_ = RandomBytes(2 * kEntryChunkSize + 12345, 7);
        BuildContainer(temp_ / "big.qvai", {{"\\big.bin", content_, 1}, {"\\small.txt", "small", 1}});
        ASSERT_TRUE(LoadContainerIndex(temp_ / "big.qvai", index_));
    }

    TempFolder temp_;
    std::string content_;
    ContainerIndex index_;
};

TEST_F(LargeEntryTest, IsWrittenComparedAndRewrittenWhereItDiffers)
{
    const std::string target = temp_ / "big.bin";
    EXPECT_EQ(WriteEntry("\\big.bin", index_, target).outcome, WriteOutcome::Written);
    EXPECT_EQ(ReadBytes(target), content_);
    EXPECT_EQ(WriteEntry("\\big.bin", index_, target).outcome, WriteOutcome::Unchanged);

    // A difference in the last chunk, in the first, and a target of another length.
    std::string lastChunk = content_, firstChunk = content_;
    lastChunk[content_.size() - 1] ^= 1;
    firstChunk[0] ^= 1;
    for (const std::string& old : {lastChunk, firstChunk, content_.substr(1), content_ + "x"}) {
        WriteBytes(target, old);
        EXPECT_EQ(WriteEntry("\\big.bin", index_, target).outcome, WriteOutcome::Written) << old.size();
        EXPECT_EQ(ReadBytes(target), content_);
    }
    EXPECT_TRUE(reporter_.entryErrors.empty());
#ifdef _WIN32
    // Unchanged means not opened for writing: a target nobody may write to is still fine.
    WriteBytes(target, content_);
    HANDLE reader = CreateFileA(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    EXPECT_EQ(WriteEntry("\\big.bin", index_, target).outcome, WriteOutcome::Unchanged);
    CloseHandle(reader);
#endif
    EntryWorkspace workspace(reporter_);
    EXPECT_EQ(CheckEntry(index_.entries["\\big.bin"], workspace), EntryCheck::Ok);
}

TEST_F(LargeEntryTest, ADamagedByteInTheLastChunkKeepsTheOldTarget)
{
    // One stored byte changed near the end: the damage shows only once every chunk was read.
    ContainerEntry& entry = index_.entries["\\big.bin"];
    std::string data = ReadBytes(entry.dataFile);
    data[entry.offset + entry.size - 3] ^= 0x40;
    WriteBytes(entry.dataFile, data);
    EntryWorkspace workspace(reporter_);
    EXPECT_EQ(CheckEntry(entry, workspace), EntryCheck::Mismatch);

    const std::string target = temp_ / "big.bin";
    std::string sameLength = content_;
    sameLength[10] ^= 1;
    for (const std::string& old : {std::string("old bytes"), sameLength}) {
        WriteBytes(target, old);
        reporter_.entryErrors.clear();
        EXPECT_FALSE(WriteEntryIfChanged("\\big.bin", index_, target));
        EXPECT_EQ(reporter_.entryErrors, std::vector<std::string>{"\\big.bin"});
        EXPECT_EQ(ReadBytes(target), old);
    }
    // The other entry of the same data file is not affected.
    EXPECT_TRUE(WriteEntryIfChanged("\\small.txt", index_, temp_ / "small.txt"));
    EXPECT_EQ(ReadBytes(temp_ / "small.txt"), "small");
}

TEST_F(EntryTest, TheDigestIsCheckedOnThePlainBytes)
{
    // The stored bytes differ from the plain ones; a digest over them must not verify.
    ContainerEntry& entry = index_.entries["\\lib.dll"];
    const std::string stored = ReadBytes(dataPath_).substr(0, content_.size());
    ASSERT_NE(stored, content_);
    ComputeSm3(stored.data(), stored.size(), entry.digest);
    EntryWorkspace workspace(reporter_);
    EXPECT_EQ(CheckEntry(entry, workspace), EntryCheck::Mismatch);
}

TEST_F(EntryTest, EntriesWhoseBytesCannotBeReadLeaveTheTargetAsItWas)
{
    struct Case {
        const char* what;
        int32_t offset;
        int32_t size;
        bool removeData;
    } cases[] = {
        {"data file ends before offset + size", 4000, 2000, false},
        {"negative offset", -1, 10, false},
        {"negative size", 0, -10, false},
        {"offset + size past 2 GiB", 0x7FFFFFF0, 0x7FFFFFF0, false},
        {"data file missing", 0, 10, true},
    };
    for (const Case& c : cases) {
        ContainerIndex index = index_;
        ContainerEntry& entry = index.entries["\\lib.dll"];
        entry.offset = c.offset;
        entry.size = c.size;
        if (c.removeData)
            entry.dataFile = temp_ / "gone.qvas";
        WriteBytes(temp_ / "lib.dll", "previous");
        reporter_.entryErrors.clear();
        EXPECT_FALSE(WriteEntryIfChanged("\\lib.dll", index, temp_ / "lib.dll")) << c.what;
        EXPECT_EQ(reporter_.entryErrors.size(), 1u) << c.what;
        EXPECT_EQ(ReadBytes(temp_ / "lib.dll"), "previous") << c.what;
    }
}

TEST_F(EntryTest, ATargetThatCannotBeOpenedIsAFailure)
{
    ASSERT_TRUE(MakeFolder(temp_ / "dir"));
    EXPECT_FALSE(WriteEntryIfChanged("\\lib.dll", index_, temp_ / "dir"));
    EXPECT_FALSE(WriteEntryIfChanged("\\lib.dll", index_, temp_ / "no\\such\\folder.dll"));
}

#ifdef _WIN32
TEST_F(EntryTest, ATargetHeldOpenWithoutSharingIsKept)
{
    WriteBytes(temp_ / "lib.dll", "in use");
    HANDLE held = CreateFileA((temp_ / "lib.dll").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(WriteEntryIfChanged("\\lib.dll", index_, temp_ / "lib.dll"));
    CloseHandle(held);
    EXPECT_EQ(ReadBytes(temp_ / "lib.dll"), "in use");
    EXPECT_FALSE(PathExists(ReplacementPathOf(temp_ / "lib.dll"))) << "the new file is left beside it";
}

TEST_F(EntryTest, UnwritableTargetsAreRefusedAndKeepTheirBytes)
{
    REQUIRE_FILE_PERMISSIONS(temp_);
    const std::string denied = DeniedFolder();
    ASSERT_FALSE(denied.empty()) << "no folder of another user";
    WriteBytes(temp_ / "read-only.dll", "old bytes");
    ReadOnlyFile readOnly(temp_ / "read-only.dll");
    ASSERT_TRUE(readOnly.Made());

    // A read-only file; a file of another user; a new file in a folder of another user.
    for (const std::string& target : {temp_ / "read-only.dll", denied + "\\denied.txt", denied + "\\new.dll"}) {
        const std::string before = ReadBytes(target);
        EXPECT_FALSE(WriteEntryIfChanged("\\lib.dll", index_, target)) << target;
        EXPECT_EQ(Write("\\lib.dll", target), WriteOutcome::OpenFailed) << target;
        const std::string after = ReadBytes(target);
        EXPECT_TRUE(after == before) << target << " now holds " << after.size() << " bytes";
    }
    EXPECT_EQ(ReadBytes(denied + "\\denied.txt"), "kept");
    EXPECT_TRUE(reporter_.entryErrors.empty());
}

TEST_F(EntryTest, ChineseNamesLandAsTheirUnicodeNames)
{
    // "安装\证书.dll" in code page 936, the installer's narrow text.
    const std::string folder = temp_ / "\xB0\xB2\xD7\xB0";
    ASSERT_TRUE(MakeFolder(folder));
    EXPECT_TRUE(WriteEntryIfChanged("\\lib.dll", index_, folder + "\\\xD6\xA4\xCA\xE9.dll"));

    wchar_t wideTemp[MAX_PATH];
    ASSERT_GT(MultiByteToWideChar(CP_ACP, 0, temp_.Path().c_str(), -1, wideTemp, MAX_PATH), 0);
    const std::wstring wide = std::wstring(wideTemp) + L"\\\u5B89\u88C5\\\u8BC1\u4E66.dll";
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES) << "code page " << GetACP();
    EXPECT_EQ(attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
}
#else
// A target with a second hard link is replaced by a new file: the other
// name keeps the old bytes, nothing is written through it.
TEST_F(EntryTest, AHardLinkedTargetIsReplacedNotWrittenThrough)
{
    WriteBytes(temp_ / "lib.dll", "shared old bytes");
    ASSERT_EQ(link(NativePath(temp_ / "lib.dll").c_str(), NativePath(temp_ / "other.dll").c_str()), 0);
    EXPECT_EQ(Write("\\lib.dll", temp_ / "lib.dll"), WriteOutcome::Written);
    EXPECT_EQ(ReadBytes(temp_ / "lib.dll"), content_);
    EXPECT_EQ(ReadBytes(temp_ / "other.dll"), "shared old bytes");
}

TEST_F(EntryTest, AFailedWriteIsAFailure)
{
    // A file-size limit below the entry's size fails the write as a full disk does.
    struct rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 1000;
    WriteBytes(temp_ / "lib.dll", "the old library");
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const WriteOutcome outcome = Write("\\lib.dll", temp_ / "lib.dll");
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(outcome, WriteOutcome::WriteFailed);
    // The old bytes stay whole, and no part of the new ones is left beside them.
    EXPECT_EQ(ReadBytes(temp_ / "lib.dll"), "the old library");
    EXPECT_FALSE(PathExists(ReplacementPathOf(temp_ / "lib.dll")));
}
#endif

TEST(EntryRelativePath, IsTheNameAfterItsLeadingByteWhenItStaysInside)
{
    // The rules for what stays inside are the path module's (path_test).
    struct Case {
        const char* name;
        const char* rel;  // nullptr: refused
    } cases[] = {
        {"\\lib.dll", "lib.dll"},
        {"/a/b", "a/b"},
        {"\\sub\\..\\..\\evil.dll", nullptr},
        {"\\\\evil.dll", nullptr},
        {"\\C:\\Windows\\evil.dll", nullptr},
        {"\\", nullptr},
        {"x", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) {
        std::string rel = "unchanged";
        EXPECT_EQ(EntryRelativePath(c.name, rel), c.rel != nullptr) << c.name;
        EXPECT_EQ(rel, c.rel ? c.rel : "unchanged") << c.name;
    }
}

}  // namespace

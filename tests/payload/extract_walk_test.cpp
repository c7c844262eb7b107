#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "payload/entry.h"
#include "payload/entry_verifier.h"
#include "payload/extract.h"
#include "payload/fileio.h"
#include "payload/tree.h"
#include "support.h"

namespace {

// Records what the extraction asks of its callbacks; answers from a script.
class FakeWindow : public ExtractionCallbacks {
public:
    void EntryError(const std::string& name) override { entryErrors.push_back(name); }
    void Diagnostic(const std::string&) override {}
    void SetProgress(int position) override { progress.push_back(position); }
    bool CloseLockHolders(const std::string& folder, const ContainerIndex& index) override
    {
        closerFolders.push_back(folder);
        closerIndexSizes.push_back(index.Size());
        return closerResult;
    }
    bool AskIgnoreUnwritable(const std::string& target) override
    {
        asked.push_back(target);
        if (answers.empty())
            return true;
        bool yes = answers.front();
        answers.pop_front();
        return yes;
    }
    void FailFolderAccess() override { ++folderFailures; }

    bool closerResult = true;
    std::deque<bool> answers;  // true = Yes; Yes when empty
    std::vector<int> progress;
    std::vector<std::string> closerFolders;
    std::vector<size_t> closerIndexSizes;
    std::vector<std::string> asked;
    std::vector<std::string> entryErrors;
    int folderFailures = 0;
};

class ExtractTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        install_ = temp_ / "inst\\";
        system_ = temp_ / "sys\\";
        MakeFolder(install_);
        MakeFolder(system_);
    }

    void TearDown() override { ChangeFolder(temp_.Path()); }

    void Load(const std::vector<TestEntry>& setup, const std::vector<TestEntry>& system)
    {
        BuildContainer(temp_ / "setupdir.qvai", setup);
        BuildContainer(temp_ / "windir.qvai", system);
        ASSERT_TRUE(LoadContainerIndex(temp_ / "setupdir.qvai", setupIndex_));
        ASSERT_TRUE(LoadContainerIndex(temp_ / "windir.qvai", systemIndex_));
    }

    // As the installer does: with a verifier started on both indexes (or,
    // with checkAhead false, every entry checked where the walk reaches it).
    void Extract() { Extract(install_, system_, window_); }
    void Extract(const std::string& install, const std::string& system, FakeWindow& window, bool checkAhead = true)
    {
        EntryVerifier verifier;
        if (checkAhead)
            verifier.Start(setupIndex_, systemIndex_);
        ExtractContainers(install, system, window, setupIndex_, systemIndex_, checkAhead ? &verifier : nullptr);
    }

    TempFolder temp_;
    std::string install_, system_;
    ContainerIndex setupIndex_, systemIndex_;
    FakeWindow window_;
};

}  // namespace

TEST_F(ExtractTest, WritesBothContainersWithTheFoldersTheyNeed)
{
    Load({{"#b.txt", "bee"}, {"#a\\\\x\\y.txt", "deep"}, {"#Reader/t.xml", "slash", 0}},
         {{"#TolvaneKelm\\skf.ini", "ini"}});
    Extract();
    EXPECT_EQ(ReadBytes(install_ + "b.txt"), "bee");
    EXPECT_EQ(ReadBytes(install_ + "a\\x\\y.txt"), "deep");
    EXPECT_EQ(ReadBytes(install_ + "Reader\\t.xml"), "slash");
    EXPECT_EQ(ReadBytes(system_ + "TolvaneKelm\\skf.ini"), "ini");
    EXPECT_EQ(window_.progress, (std::vector<int>{12, 25, 37, 50}));
    EXPECT_TRUE(window_.asked.empty());
    EXPECT_TRUE(window_.closerFolders.empty());
    EXPECT_EQ(window_.folderFailures, 0);
}

TEST_F(ExtractTest, WalksTheSetupContainerThenTheSystemContainerInKeyOrder)
{
    Load({{"#b", "1"}, {"#a", "2"}, {"#B", "3"}, {"#ab", "4"}}, {{"#z", "5"}, {"#c", "6"}});
    // Folders in place of every target: no write can succeed, each is asked about.
    for (const char* name : {"b", "a", "B", "ab"})
        MakeFolder(install_ + name);
    for (const char* name : {"z", "c"})
        MakeFolder(system_ + name);
    window_.closerResult = false;
    Extract();
    EXPECT_EQ(window_.asked, (std::vector<std::string>{install_ + "B", install_ + "a", install_ + "ab", install_ + "b",
                                                       system_ + "c", system_ + "z"}));
    EXPECT_EQ(window_.closerFolders,
              (std::vector<std::string>{install_, install_, install_, install_, system_, system_}));
    EXPECT_EQ(window_.closerIndexSizes, (std::vector<size_t>{4, 4, 4, 4, 2, 2}));
    EXPECT_EQ(window_.progress, (std::vector<int>{8, 16, 25, 33, 41, 50}));
}

TEST_F(ExtractTest, ProgressRisesToFiftyOverAllEntries)
{
    std::vector<TestEntry> setup, system;
    for (int i = 0; i < 463; ++i)
        setup.push_back({"#s" + std::to_string(1000 + i) + ".txt", "s"});
    for (int i = 0; i < 53; ++i)
        system.push_back({"#w" + std::to_string(1000 + i) + ".txt", "w"});
    Load(setup, system);
    Extract();
    ASSERT_EQ(window_.progress.size(), 516u);
    EXPECT_EQ(window_.progress[0], 0);
    EXPECT_EQ(window_.progress[9], 0);
    EXPECT_EQ(window_.progress[10], 1);
    EXPECT_EQ(window_.progress[462], 44);
    EXPECT_EQ(window_.progress.back(), 50);
    for (size_t i = 1; i < window_.progress.size(); ++i)
        EXPECT_LE(window_.progress[i - 1], window_.progress[i]);
}

TEST_F(ExtractTest, RetriesAfterClosingLockHoldersOnlyAFewTimesThenAsks)
{
    Load({{"#held.dll", "new"}, {"#next.txt", "next"}}, {});
    MakeFolder(install_ + "held.dll");
    window_.answers = {false, true};  // No: try again; then Yes: pass it over
    Extract();
    EXPECT_EQ(window_.asked, (std::vector<std::string>{install_ + "held.dll", install_ + "held.dll"}));
    EXPECT_EQ(window_.closerFolders.size(), 2u * kLockHolderRetries);
    EXPECT_EQ(ReadBytes(install_ + "next.txt"), "next");
    EXPECT_EQ(window_.progress, (std::vector<int>{25, 50}));
}

TEST_F(ExtractTest, AnEmptyEntryIsPassedOverWithoutAQuestionAndCounted)
{
    Load({{"#empty.dll", ""}, {"#sub\\kept.ini", ""}}, {});
    MakeFolder(install_ + "sub");
    WriteBytes(install_ + "sub\\kept.ini", "settings");
    Extract();
    EXPECT_TRUE(window_.closerFolders.empty());
    EXPECT_TRUE(window_.asked.empty());
    EXPECT_EQ(ReadBytes(install_ + "empty.dll"), "");
    EXPECT_EQ(ReadBytes(install_ + "sub\\kept.ini"), "settings");
    EXPECT_EQ(window_.progress, (std::vector<int>{25, 50}));
}

TEST_F(ExtractTest, SharedRuntimeFilesArePassedOverSilently)
{
    Load({{"#atl100chs.dll", "a"}, {"#sub\\mfc70.dll", "m"}, {"#MFC70.DLL", "M"}}, {{"#Winscard.dll", "w"}});
    for (const char* target : {"atl100chs.dll", "sub\\mfc70.dll", "MFC70.DLL"})
        MakeFolder(install_ + target);
    MakeFolder(system_ + "Winscard.dll");
    Extract();
    // Only the upper-case name, which the case-sensitive table does not match, is retried and asked about.
    EXPECT_EQ(window_.asked, (std::vector<std::string>{install_ + "MFC70.DLL"}));
    EXPECT_EQ(window_.closerFolders.size(), static_cast<size_t>(kLockHolderRetries));
    EXPECT_EQ(window_.progress, (std::vector<int>{12, 25, 37, 50}));
}

TEST_F(ExtractTest, NamesWithoutAPathOrLeavingTheFolderAreNotWritten)
{
    Load({{"#", "one byte"}, {"#..\\evil.txt", "up"}, {"#C:\\evil.txt", "drive"}, {"#ok.txt", "ok"}}, {});
    Extract();
    EXPECT_EQ(ReadBytes(temp_ / "evil.txt"), "<missing>");
    EXPECT_EQ(ReadBytes(install_ + "ok.txt"), "ok");
    EXPECT_EQ(window_.entryErrors, (std::vector<std::string>{"#..\\evil.txt", "#C:\\evil.txt"}));
    EXPECT_TRUE(window_.asked.empty());
    EXPECT_EQ(window_.progress, (std::vector<int>{12, 25, 37, 50}));
}

TEST_F(ExtractTest, AFolderThatCannotBeEnteredStopsTheExtraction)
{
    Load({{"#a.txt", "a"}}, {{"#w.txt", "w"}});
    const std::string missing = temp_ / "missing\\";
    Extract(missing, system_, window_);
    EXPECT_EQ(window_.folderFailures, 1);
    EXPECT_TRUE(window_.progress.empty());
    EXPECT_EQ(ReadBytes(system_ + "w.txt"), "<missing>");

    FakeWindow second;
    Extract(install_, missing, second);
    EXPECT_EQ(second.folderFailures, 1);
    EXPECT_EQ(ReadBytes(install_ + "a.txt"), "a");
    EXPECT_EQ(second.progress, (std::vector<int>{25}));
}

TEST_F(ExtractTest, AnEntryWhoseBytesCannotBeReadIsReportedOnceAndPassedOver)
{
    Load({{"#cut.dll", "the library's bytes"}, {"#ok.txt", "ok"}}, {});
    // The data file ends inside the first entry: "ok" is gone too, "cut.dll" is cut short.
    WriteBytes(temp_ / "setupdir.qvas", "the lib");
    WriteBytes(install_ + "cut.dll", "old");
    Extract();
    EXPECT_EQ(window_.entryErrors, (std::vector<std::string>{"#cut.dll", "#ok.txt"}));
    EXPECT_EQ(ReadBytes(install_ + "cut.dll"), "old");
    EXPECT_TRUE(window_.closerFolders.empty());
    EXPECT_TRUE(window_.asked.empty());
    EXPECT_EQ(window_.progress, (std::vector<int>{25, 50}));
}

// Entries checked ahead by a verifier: the same files are written, and the same
// entries reported, in the same order, as when the extraction checks them itself.
TEST_F(ExtractTest, EntriesCheckedAheadAreWrittenAndReportedAsWhenCheckedInPlace)
{
    const std::string large = RandomBytes(2 * kEntryChunkSize + 77, 3);
    Load({{"#a-same.txt", "same"},
          {"#b-large.bin", large},
          {"#c-damaged.dll", "damaged"},
          {"#d-other-size.txt", "new"},
          {"#e-unreadable.txt", "unreadable"},
          {"#f-empty", ""}},
         {{"#g-system.ini", "ini", 0}});
    setupIndex_.entries["#c-damaged.dll"].digest[0] ^= 1;
    setupIndex_.entries["#e-unreadable.txt"].offset = 0x7FFFFF00;
    for (const bool checkAhead : {true, false}) {
        SCOPED_TRACE(checkAhead ? "checked ahead" : "checked in place");
        DeleteTree(install_, ReadOnlyFiles::Deleted);
        MakeFolder(install_);
        WriteBytes(install_ + "a-same.txt", "same");
        WriteBytes(install_ + "c-damaged.dll", "old");
        WriteBytes(install_ + "d-other-size.txt", "older");
        FakeWindow window;

        Extract(install_, system_, window, checkAhead);

        EXPECT_EQ(ReadBytes(install_ + "a-same.txt"), "same");
        EXPECT_EQ(ReadBytes(install_ + "b-large.bin"), large);
        EXPECT_EQ(ReadBytes(install_ + "c-damaged.dll"), "old");
        EXPECT_EQ(ReadBytes(install_ + "d-other-size.txt"), "new");
        EXPECT_EQ(ReadBytes(install_ + "e-unreadable.txt"), "<missing>");
        EXPECT_EQ(ReadBytes(install_ + "f-empty"), "");
        EXPECT_EQ(ReadBytes(system_ + "g-system.ini"), "ini");
        EXPECT_EQ(window.entryErrors, (std::vector<std::string>{"#c-damaged.dll", "#e-unreadable.txt"}));
        EXPECT_EQ(window.progress.size(), 7u);
        EXPECT_TRUE(window.asked.empty());
    }
}

TEST_F(ExtractTest, AVerifierGivesTheVerdictOfCheckingTheEntryAndOnlyForEntriesItChecked)
{
    Load({{"#sound.dll", RandomBytes(kEntryChunkSize + 5, 9)}, {"#damaged.dll", "x"}, {"#short.dll", "y"},
          {"#empty", ""}},
         {{"#sys.dll", "z"}});
    setupIndex_.entries["#damaged.dll"].digest[5] ^= 1;
    setupIndex_.entries["#short.dll"].size = 1 << 20;
    EntryVerifier verifier;
    verifier.Start(setupIndex_, systemIndex_);

    RecordingReporter reporter;
    EntryWorkspace workspace(reporter);
    for (const ContainerIndex* index : {&setupIndex_, &systemIndex_}) {
        for (const auto& named : index->entries) {
            EntryCheck verdict = EntryCheck::Ok;
            const bool given = verifier.Verdict(named.second, verdict);
            if (named.first == "#empty") {
                EXPECT_FALSE(given) << "an empty entry is left to the extraction";
                continue;
            }
            ASSERT_TRUE(given) << named.first;
            EXPECT_EQ(verdict, CheckEntry(named.second, workspace)) << named.first;
        }
    }
    // Not the entry that was checked: another place, size or digest.
    ContainerEntry moved = setupIndex_.entries["#sound.dll"];
    moved.offset += 1;
    ContainerEntry resized = setupIndex_.entries["#damaged.dll"];
    resized.size -= 1;
    ContainerEntry redigested = setupIndex_.entries["#sys.dll"];
    redigested.digest[0] ^= 1;
    for (const ContainerEntry& other : {moved, resized, redigested}) {
        EntryCheck verdict;
        EXPECT_FALSE(verifier.Verdict(other, verdict)) << other.name;
    }
}

TEST_F(ExtractTest, AStoppedVerifierGivesNoVerdictItHasNotReached)
{
    // Far more bytes than the thread can hash before it is stopped.
    std::vector<TestEntry> entries;
    const std::string bytes = RandomBytes(2 * kEntryChunkSize, 4);
    for (int i = 0; i < 24; ++i)
        entries.push_back({"#" + std::to_string(100 + i) + ".bin", bytes});
    Load(entries, {});
    EntryVerifier verifier;
    verifier.Start(setupIndex_, systemIndex_);
    verifier.Stop();

    // Every verdict given is the true one; the last entry was not reached,
    // so none is given for it, and asking does not wait.
    size_t given = 0;
    for (const auto& named : setupIndex_.entries) {
        EntryCheck verdict = EntryCheck::Mismatch;
        if (verifier.Verdict(named.second, verdict)) {
            ++given;
            EXPECT_EQ(verdict, EntryCheck::Ok) << named.first;
        }
    }
    EXPECT_LT(given, setupIndex_.entries.size());
    EntryCheck verdict;
    EXPECT_FALSE(verifier.Verdict(setupIndex_.entries.rbegin()->second, verdict));
}

// Data files that are still being written: the test says how far each is.
class ScriptedGate : public DataFileGate {
public:
    bool WaitForData(const std::string& dataFile, int64_t end) const override
    {
        std::unique_lock<std::mutex> guard(lock_);
        asked_.push_back({dataFile, end});
        changed_.notify_all();
        changed_.wait(guard, [&] { return failed_.count(dataFile) || written_[dataFile] >= end; });
        return !failed_.count(dataFile);
    }
    void Written(const std::string& dataFile, int64_t bytes)
    {
        std::lock_guard<std::mutex> guard(lock_);
        written_[dataFile] = bytes;
        changed_.notify_all();
    }
    void Failed(const std::string& dataFile)
    {
        std::lock_guard<std::mutex> guard(lock_);
        failed_.insert(dataFile);
        changed_.notify_all();
    }
    // Waits until count entries were asked for; what they asked.
    std::vector<std::pair<std::string, int64_t>> Asked(size_t count) const
    {
        std::unique_lock<std::mutex> guard(lock_);
        changed_.wait(guard, [&] { return asked_.size() >= count; });
        return asked_;
    }

private:
    mutable std::mutex lock_;
    mutable std::condition_variable changed_;
    mutable std::map<std::string, int64_t> written_;
    std::set<std::string> failed_;
    mutable std::vector<std::pair<std::string, int64_t>> asked_;
};

// Each entry is checked once its bytes are written, in walk order; the
// entries of a data file whose unpacking failed are unreadable, whatever
// the file holds.
TEST_F(ExtractTest, AVerifierWithAGateChecksEachEntryOnceItsBytesAreThere)
{
    Load({{"#a.dll", "first"}, {"#b.dll", "second"}, {"#c.txt", "third"}}, {{"#d.ini", "fourth"}});
    setupIndex_.entries["#b.dll"].digest[0] ^= 1;
    const ContainerEntry a = setupIndex_.entries["#a.dll"];
    const ContainerEntry b = setupIndex_.entries["#b.dll"];
    const ContainerEntry c = setupIndex_.entries["#c.txt"];
    const ContainerEntry d = systemIndex_.entries["#d.ini"];
    ScriptedGate gate;
    EntryVerifier verifier;
    verifier.Start(setupIndex_, systemIndex_, nullptr, &gate);

    // Nothing is checked before its bytes are there.
    EXPECT_EQ(gate.Asked(1), (std::vector<std::pair<std::string, int64_t>>{{a.dataFile, a.offset + a.size}}));
    gate.Written(a.dataFile, a.offset + a.size);
    EXPECT_EQ(gate.Asked(2).back(), std::make_pair(b.dataFile, int64_t{b.offset} + b.size));
    gate.Written(a.dataFile, c.offset + c.size);
    gate.Failed(d.dataFile);

    EntryCheck verdict = EntryCheck::Ok;
    const std::pair<const ContainerEntry*, EntryCheck> expected[] = {
        {&a, EntryCheck::Ok}, {&b, EntryCheck::Mismatch}, {&c, EntryCheck::Ok}, {&d, EntryCheck::Unreadable}};
    for (const auto& entry : expected) {
        ASSERT_TRUE(verifier.Verdict(*entry.first, verdict)) << entry.first->name;
        EXPECT_EQ(verdict, entry.second) << entry.first->name;
    }
    EXPECT_EQ(gate.Asked(4).size(), 4u);
}

namespace {

// Stands for the installer's unpacking beside the extraction: the setup data
// file is made anew and held, and holds no bytes until the extraction says
// which entry it needs next; then it gets the bytes up to that entry's end.
class UnpackingWindow : public FakeWindow, public DataFileGate {
public:
    UnpackingWindow(const std::string& dataFile, std::string bytes) : dataFile_(dataFile), bytes_(std::move(bytes))
    {
        held.CreateExclusive(dataFile);
    }

    void WaitForEntryBytes(const ContainerEntry& entry) override
    {
        waited.push_back(entry.name);
        if (entry.dataFile != dataFile_)
            return;
        std::lock_guard<std::mutex> guard(lock_);
        const int64_t end = static_cast<int64_t>(entry.offset) + entry.size;
        if (end > written_) {
            held.Write(bytes_.data() + written_, static_cast<size_t>(end - written_));
            written_ = end;
            changed_.notify_all();
        }
    }
    // Bounded: an extraction that never says what it needs fails the test
    // (its entries are unreadable) instead of hanging it.
    bool WaitForData(const std::string& dataFile, int64_t end) const override
    {
        std::unique_lock<std::mutex> guard(lock_);
        return changed_.wait_for(guard, std::chrono::seconds(10),
                                 [&] { return dataFile != dataFile_ || written_ >= end; });
    }

    File held;
    std::vector<std::string> waited;

private:
    std::string dataFile_;
    std::string bytes_;
    int64_t written_ = 0;
    mutable std::mutex lock_;
    mutable std::condition_variable changed_;
};

}  // namespace

// The extraction reads no entry before its bytes are there: told entry by
// entry, in walk order, it writes every entry as from a complete data file,
// checked ahead or in place.
TEST_F(ExtractTest, TheExtractionFollowsADataFileThatIsStillBeingWritten)
{
    const std::string large = RandomBytes(2 * kEntryChunkSize + 77, 5);
    Load({{"#a.dll", "first"}, {"#b\\large.bin", large}, {"#c.txt", "third"}}, {{"#d.ini", "fourth"}});
    const std::string dataFile = setupIndex_.entries["#a.dll"].dataFile;
    const std::string bytes = ReadBytes(dataFile);
    for (const bool checkAhead : {true, false}) {
        SCOPED_TRACE(checkAhead ? "checked ahead" : "checked in place");
        DeleteTree(install_, ReadOnlyFiles::Deleted);
        MakeFolder(install_);
        UnpackingWindow window(dataFile, bytes);
        ASSERT_TRUE(window.held.IsOpen());
        const PinnedFiles pins = {{dataFile, &window.held}};
        {
            EntryVerifier verifier;
            if (checkAhead)
                verifier.Start(setupIndex_, systemIndex_, &pins, &window);
            ExtractContainers(install_, system_, window, setupIndex_, systemIndex_,
                              checkAhead ? &verifier : nullptr, &pins);
        }
        EXPECT_EQ(window.waited, (std::vector<std::string>{"#a.dll", "#b\\large.bin", "#c.txt", "#d.ini"}));
        EXPECT_TRUE(window.entryErrors.empty());
        EXPECT_EQ(ReadBytes(install_ + "a.dll"), "first");
        EXPECT_EQ(ReadBytes(install_ + "b\\large.bin"), large);
        EXPECT_EQ(ReadBytes(install_ + "c.txt"), "third");
        EXPECT_EQ(ReadBytes(system_ + "d.ini"), "fourth");
    }
}

#ifdef _WIN32
TEST_F(ExtractTest, UnwritableTargetsAreAskedAboutAndKeepTheirBytes)
{
    REQUIRE_FILE_PERMISSIONS(temp_);
    // The system folder is a folder of another user, as it is for a user without administrator rights.
    const std::string denied = DeniedFolder();
    ASSERT_FALSE(denied.empty()) << "no folder of another user";
    system_ = denied + "\\";
    Load({{"#ro.dll", "new"}, {"#after.txt", "after"}}, {{"#denied.txt", "new"}, {"#new.dll", "new"}});
    WriteBytes(install_ + "ro.dll", "old");
    ReadOnlyFile readOnly(install_ + "ro.dll");
    ASSERT_TRUE(readOnly.Made());

    Extract();
    // Each is retried after closing the lock holders, then asked about once (Yes).
    EXPECT_EQ(window_.asked,
              (std::vector<std::string>{install_ + "ro.dll", system_ + "denied.txt", system_ + "new.dll"}));
    EXPECT_EQ(window_.closerFolders.size(), 3u * kLockHolderRetries);
    EXPECT_EQ(ReadBytes(install_ + "ro.dll"), "old");
    EXPECT_EQ(ReadBytes(system_ + "denied.txt"), "kept");
    EXPECT_EQ(ReadBytes(system_ + "new.dll"), "<missing>");
    EXPECT_EQ(ReadBytes(install_ + "after.txt"), "after");
    EXPECT_EQ(window_.progress, (std::vector<int>{12, 25, 37, 50}));
    EXPECT_EQ(window_.folderFailures, 0);
}
#endif

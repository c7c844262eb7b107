// Fixtures shared by the payload tests: temporary folders, small files,
// hand-built containers and LZMA streams, and a reporter that records.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "payload/report.h"

// A fresh folder, removed with everything in it at the end of the test.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    const std::string& Path() const { return path_; }
    // Path() + "\" + name
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

void WriteBytes(const std::string& path, const std::string& bytes);
std::string ReadBytes(const std::string& path);  // "<missing>" when it cannot be read
std::string RandomBytes(size_t size, uint32_t seed);

// One record of a hand-built container.
struct TestEntry {
    std::string name;     // as stored, leading byte included
    std::string content;  // plain bytes
    uint8_t flag = 1;     // 1 scrambled, anything else plain
};

// Writes index (header and records) and its data file; returns the data file's path.
std::string BuildContainer(const std::string& indexPath, const std::vector<TestEntry>& entries);
// One raw 301-byte record, before scrambling.
std::string RawRecord(uint8_t flag, const std::string& nameField, const uint8_t digest[32], int32_t offset,
                      int32_t size);
std::string IndexHeader();

// An LZMA-alone stream of data, its size field set to sizeField.
std::string CompressLzmaAlone(const std::string& data, uint64_t sizeField, uint32_t dictionary = 1u << 24);

#ifdef _WIN32
// Gives path the read-only attribute until the object goes.
class ReadOnlyFile {
public:
    explicit ReadOnlyFile(const std::string& path);
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;
    bool Made() const { return made_; }

private:
    std::string path_;
    bool made_;
};

// A folder of another user that this one may read but not write (no "\" at
// the end), holding the file "denied.txt" with the bytes "kept": the
// unprivileged Wine runs provide it. Empty elsewhere.
std::string DeniedFolder();

// Whether this file system refuses what Windows refuses. Wine run as root
// does not: it writes read-only files and ignores access lists.
bool FilePermissionsHold(const TempFolder& temp);
// Whether the test runs as the ordinary user of the unprivileged Wine runs.
bool UnprivilegedRun();

// Skips a test that needs refused writes where they are not refused; fails it
// when the run was meant to refuse them.
#define REQUIRE_FILE_PERMISSIONS(temp)                                                                       \
    do {                                                                                                     \
        if (!FilePermissionsHold(temp)) {                                                                    \
            if (UnprivilegedRun())                                                                           \
                FAIL() << "an unprivileged run writes a read-only file";                                     \
            GTEST_SKIP() << "writes are not refused here (Wine as root); run with TOLVANE_WINE_UNPRIVILEGED=1"; \
        }                                                                                                    \
    } while (0)
#endif

class RecordingReporter : public PayloadReporter {
public:
    void EntryError(const std::string& name) override { entryErrors.push_back(name); }
    void Diagnostic(const std::string& line) override { diagnostics.push_back(line); }
    std::vector<std::string> entryErrors;
    std::vector<std::string> diagnostics;
};

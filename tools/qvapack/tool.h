// Shared pieces of the qvapack commands.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "payload/report.h"

// Prints "qvapack: FILE: PROBLEM" to stderr and returns the exit code for bad input.
int Fail(const std::string& file, const std::string& problem);
constexpr int kExitBadInput = 2;
constexpr int kExitEntriesFailed = 1;

// The packer's reporting of the payload code: a damaged entry on stderr
// (names in UTF-8); the last diagnostic line ("LzmaUncompress:6", ...) kept,
// without its newline, for the command's own one-line error.
class ToolReporter : public PayloadReporter {
public:
    void EntryError(const std::string& name) override;
    void Diagnostic(const std::string& line) override { lastDiagnostic = line.substr(0, line.find('\n')); }
    std::string lastDiagnostic;
};

// Conversions between the host's UTF-8 names and code page 936. False when a
// name cannot be represented.
bool Utf8ToCp936(const std::string& utf8, std::string& cp936);
bool Cp936ToUtf8(const std::string& cp936, std::string& utf8);
// A name for messages: UTF-8 when it converts, the bytes escaped as \xNN otherwise.
std::string PrintableName(const std::string& cp936);
#ifdef _WIN32
// The file system's UTF-16 names and the tool's UTF-8 text.
std::wstring Utf8ToWide(const std::string& utf8);
std::string WideToUtf8(const std::wstring& wide);
// A UTF-16 name in code page 936; false when it has no exact form there.
bool WideToCp936(const std::wstring& wide, std::string& cp936);
#endif

// One regular file below a folder.
struct WalkedFile {
    std::string hostPath;  // path on this machine
    std::string name;      // relative name, "\"-separated, code page 936
    uint64_t size = 0;
};

// Every regular file below folder, in byte order of their code page 936 names.
// False (after printing the error) when the folder cannot be read or a name
// cannot be converted.
bool WalkFolder(const std::string& folder, std::vector<WalkedFile>& files);

// A progress bar on stderr, drawn only when stderr is a terminal.
class Progress {
public:
    Progress(const char* label, uint64_t total);
    ~Progress();
    void Advance(uint64_t amount);

private:
    void Draw();
    const char* label_;
    uint64_t total_;
    uint64_t done_ = 0;
    int shown_ = -1;
    bool enabled_;
};

int RunPack(const std::vector<std::string>& args);
int RunList(const std::vector<std::string>& args);
int RunVerify(const std::vector<std::string>& args);
int RunExtract(const std::vector<std::string>& args);
int RunCompress(const std::vector<std::string>& args);
int RunUnpack(const std::vector<std::string>& args);
int RunSysdirHash(const std::vector<std::string>& args);
int RunBuild(const std::vector<std::string>& args);

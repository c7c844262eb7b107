// The packer's own file access over paths in UTF-8, as the command line and
// the folder walk give them: POSIX calls on Linux, the -W calls on Windows
// (so that any name the file system holds can be opened, whatever the
// machine's ANSI code page).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class HostFile {
public:
    HostFile() = default;
    ~HostFile();
    HostFile(const HostFile&) = delete;
    HostFile& operator=(const HostFile&) = delete;

    bool OpenRead(const std::string& path);
    // Creates the file, or truncates it, for reading and writing; a program
    // is made executable where that is a permission (POSIX).
    bool OpenWrite(const std::string& path, bool program = false);
    bool IsOpen() const;
    // Up to size bytes from the current position; fewer only at the end or on an error.
    size_t Read(void* buffer, size_t size);
    // Exactly size bytes at offset, without moving the position; false otherwise.
    bool ReadAt(uint64_t offset, void* buffer, size_t size);
    bool Write(const void* buffer, size_t size);
    bool Seek(uint64_t pos);
    // The file's length in bytes, or -1.
    int64_t Length();
    // False when it was not open or closing lost written data.
    bool Close();

private:
#ifdef _WIN32
    void* handle_ = reinterpret_cast<void*>(-1);
#else
    int fd_ = -1;
#endif
};

// What the last failed call of this thread said, for messages ("No such file or directory").
std::string LastHostError();

bool HostIsFolder(const std::string& path);
bool HostRemoveFile(const std::string& path);
// Makes the file at path executable where that is a permission (POSIX).
void HostMarkProgram(const std::string& path);
// Moves from over to (a file there is replaced) in one step.
bool HostRename(const std::string& from, const std::string& to);
// The folder of this program's own executable (no separator at the end), or "".
std::string HostProgramFolder();
// Runs a program (found along PATH) with these arguments and waits for it;
// its exit code, or -1 when it could not be started. Its output is discarded.
int HostRunQuiet(const std::vector<std::string>& argv);

// Helper processes for the Windows tests: started from a copy of a program
// under any name, waited for until they are ready, ended with the test.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// The folder of the running test program, with a trailing "\".
std::string OwnFolder();

// Code page 936 (the ANSI code page of the test runs) to UTF-16 and back.
std::wstring Widen(const std::string& narrow);
std::string Narrow(const std::wstring& wide);

// Copies a file, making the folders along the way; false on failure.
bool CopyProgram(const std::string& from, const std::string& to);

class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts program with args. With waitReady, "ready=EVENT" is appended and
    // Start waits for it (the helper sets it after its other arguments);
    // otherwise it waits until the program's module list can be read (or the
    // program has ended). False when the process did not start or did not get
    // ready in time.
    bool Start(const std::string& program, std::vector<std::string> args, bool waitReady = true);

    uint32_t Pid() const { return pid_; }
    HANDLE Handle() const { return process_; }
    bool Running() const;
    // True when the process has ended within ms milliseconds.
    bool WaitForExit(DWORD ms) const;
    DWORD ExitCode() const;

private:
    HANDLE process_ = nullptr;
    uint32_t pid_ = 0;
};

// A named event of the test, for the helper's wait= and ready= arguments.
class TestEvent {
public:
    TestEvent();
    ~TestEvent();
    TestEvent(const TestEvent&) = delete;
    TestEvent& operator=(const TestEvent&) = delete;

    const std::string& Name() const { return name_; }
    void Set() const { ::SetEvent(event_); }
    bool Wait(DWORD ms) const { return ::WaitForSingleObject(event_, ms) == WAIT_OBJECT_0; }

private:
    std::string name_;
    HANDLE event_ = nullptr;
};

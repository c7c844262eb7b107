// Running a command line as a person would, for the packer's tests.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

struct Outcome {
    int status;
    std::string out;  // stdout and stderr together
};

// Runs command through the shell; its exit status (-1 when it did not exit) and output.
inline Outcome Shell(const std::string& command)
{
    Outcome run{-1, ""};
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return run;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        run.out.append(buffer, n);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// path in single quotes, for the shell.
inline std::string Quote(const std::string& path) { return "'" + path + "'"; }

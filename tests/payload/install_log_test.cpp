// The install log's start, natively: the run before is kept under the old
// name, and a link planted at either name is never written through.
#include <gtest/gtest.h>

#include "payload/fileio.h"
#include "support.h"
#include "win/install_log.h"

#ifndef _WIN32
#include <unistd.h>

#include <string>

namespace {

// The log is the process's: it starts once, so one test covers it.
TEST(InstallLog, KeepsTheRunBeforeAndNeverWritesThroughALink)
{
    TempFolder temp;
    const std::string folder = temp.Path() + "/";
    WriteBytes(temp / "canary.txt", "not the log's");
    WriteBytes(temp / kInstallLogName, "the run before\n");
    // An older log's name is taken by a link to someone else's file.
    ASSERT_EQ(symlink(NativePath(temp / "canary.txt").c_str(), NativePath(temp / kPreviousInstallLogName).c_str()),
              0);

    StartInstallLog(folder, "-s", "silent");
    LogLine("step %d: %s", 1, "browser check");

    const std::string log = ReadBytes(temp / kInstallLogName);
    EXPECT_NE(log.find("command line \"-s\", mode silent\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("step 1: browser check\r\n"), std::string::npos) << log;
    EXPECT_EQ(log.find("the run before"), std::string::npos);
    EXPECT_EQ(ReadBytes(temp / kPreviousInstallLogName), "the run before\n");
    EXPECT_EQ(ReadBytes(temp / "canary.txt"), "not the log's");
}

}  // namespace
#endif

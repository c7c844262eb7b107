#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "child_process.h"
#include "install/install_stop_list.h"
#include "proc/process_handle.h"
#include "proc/processes.h"
#include "support.h"

namespace {

constexpr DWORD kExitWaitMs = 15000;

// Starts a copy of the stub program at path, kept running.
std::unique_ptr<ChildProcess> StartStub(const std::string& path)
{
    auto child = std::make_unique<ChildProcess>();
    EXPECT_TRUE(CopyProgram(OwnFolder() + "tolvane-stub.exe", path)) << path;
    EXPECT_TRUE(child->Start(path, {"--stub-stay"}, false)) << path;
    return child;
}

}  // namespace

TEST(KillProcessByName, StopsEveryProgramOfTheStopListAndNoOther)
{
    TempFolder temp;
    auto newsA = StartStub(temp / "a\\TolvaneNews.exe");
    auto newsB = StartStub(temp / "b\\TolvaneNews.exe");  // one name, two folders
    auto gui = StartStub(temp / "a\\tolvanegui.EXE");     // other letter case
    auto javaw = StartStub(temp / "b\\javaw.exe");
    auto survivor = StartStub(temp / "a\\Survivor.exe");  // not in the list

    EXPECT_TRUE(IsProcessRunning("TolvaneNews.exe"));
    EXPECT_TRUE(IsProcessRunning("TOLVANEGUI.exe"));
    EXPECT_TRUE(IsProcessRunning("survivor.exe"));
    EXPECT_FALSE(IsProcessRunning("Survivor"));
    EXPECT_FALSE(IsProcessRunning("a\\Survivor.exe"));
    EXPECT_TRUE(IsProcessRunning("proc_tests.exe"));  // the running program itself is not left out

    // A name with a folder part, and the empty name, stop nothing.
    EXPECT_EQ(KillProcessByName(temp / "a\\Survivor.exe"), 1);
    EXPECT_EQ(KillProcessByName("a\\Survivor.exe"), 1);
    EXPECT_EQ(KillProcessByName(""), 1);
    // A stop would end it now: its end is waited on, not slept over.
    EXPECT_FALSE(survivor->WaitForExit(500));

    EXPECT_TRUE(EnableDebugPrivilege());
    std::vector<std::string> stopList;
    for (size_t i = 0; i < InstallStopListSize; ++i)
        stopList.push_back(InstallStopList[i].imageName);
    KillProcessesByName(stopList);

    for (auto* stopped : {newsA.get(), newsB.get(), gui.get(), javaw.get()}) {
        EXPECT_TRUE(stopped->WaitForExit(kExitWaitMs));
        EXPECT_EQ(stopped->ExitCode(), 0u);
    }
    EXPECT_TRUE(survivor->Running());
    EXPECT_FALSE(IsProcessRunning("TolvaneNews.exe"));
    EXPECT_FALSE(IsProcessRunning("javaw.exe"));
    EXPECT_TRUE(IsProcessRunning("Survivor.exe"));

    KillProcessByName("SURVIVOR.exe");
    EXPECT_TRUE(survivor->WaitForExit(kExitWaitMs));
}

TEST(KillProcessByName, AProgramStartedBetweenTwoCallsIsStoppedByTheLaterOne)
{
    TempFolder temp;
    auto first = StartStub(temp / "First.exe");
    auto kept = StartStub(temp / "Kept.exe");
    KillProcessByName("First.exe");  // every running program's path is read here
    EXPECT_TRUE(first->WaitForExit(kExitWaitMs));

    auto later = StartStub(temp / "Later.exe");
    EXPECT_TRUE(IsProcessRunning("later.exe"));
    KillProcessByName("Later.exe");
    EXPECT_TRUE(later->WaitForExit(kExitWaitMs));
    EXPECT_TRUE(kept->Running());

    // A program met by an earlier call is stopped by its own name from the path read then.
    KillProcessByName("KEPT.exe");
    EXPECT_TRUE(kept->WaitForExit(kExitWaitMs));
}

TEST(KillProcessByName, AProgramStartedWhileAListIsWalkedIsStoppedByTheList)
{
    TempFolder temp;
    // The list's snapshot is taken before the two programs start.
    const std::vector<ProcessEntry> atStart = TakeTimedProcessSnapshot();
    auto late = StartStub(temp / "Late.exe");
    auto other = StartStub(temp / "Other.exe");
    // Its own name comes first: a program that starts during the walk is
    // checked against every name of the list, not only the ones after it.
    StopListedPrograms({"LATE.exe", "Nobody.exe"}, atStart);
    EXPECT_TRUE(late->WaitForExit(kExitWaitMs));
    EXPECT_TRUE(other->Running());

    KillProcessesByName({"other.EXE"});
    EXPECT_TRUE(other->WaitForExit(kExitWaitMs));
}

TEST(TerminateHolders, StopsEachListedProcessById)
{
    TempFolder temp;
    auto first = StartStub(temp / "One.exe");
    auto second = StartStub(temp / "Two.exe");
    auto third = StartStub(temp / "Three.exe");
    TerminateHolders({});
    TerminateHolders({{"", first->Pid()}, {"not the path at all", third->Pid()}});
    EXPECT_TRUE(first->WaitForExit(kExitWaitMs));
    EXPECT_TRUE(third->WaitForExit(kExitWaitMs));
    EXPECT_TRUE(second->Running());

    // A holder found earlier whose id now names a process that started at
    // another time (the id was given again) is left alone.
    LockHolder earlier{"", second->Pid()};
    earlier.created = 1;
    TerminateHolders({earlier});
    EXPECT_FALSE(second->WaitForExit(300));
    EXPECT_TRUE(second->Running());
}

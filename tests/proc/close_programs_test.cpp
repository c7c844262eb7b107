// The install driver's closing of lock holders before the cleanup: the
// installation folder's holders first, then the system folder's, and their
// main programs' paths kept in that order.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "child_process.h"
#include "install/close_programs.h"
#include "proc/processes.h"
#include "support.h"

namespace {

class NoReports : public InstallReporter, public InstallRunControl {
public:
    void SetStatus(const char*) override {}
    void SetProgress(int) override {}
    void ShowSetupWindow(bool) override {}
    int ShowMessage(const char*, const char*, UINT) override { return IDOK; }
    void Finish(const std::string&, unsigned) override {}
    void EndProgram(UINT) override {}
};

void AddEntry(ContainerIndex& index, const char* name)
{
    ContainerEntry& entry = index.entries[name];
    entry.name = name;
    entry.size = 1;
}

}  // namespace

TEST(CloseProgramsHoldingFiles, InstallationFolderHoldersComeBeforeSystemFolderHolders)
{
    TempFolder temp;
    NoReports reporter;
    InstallContext context(reporter, reporter, false, PayloadPaths{});
    context.installFolder = temp / "TolvaneKelm\\";
    context.systemFolder = temp / "system32\\";
    ASSERT_TRUE(CopyProgram(OwnFolder() + "proc_helper_lib.dll", context.installFolder + "Tolvane.dll"));
    ASSERT_TRUE(CopyProgram(OwnFolder() + "proc_helper_lib.dll", context.systemFolder + "TolvaneKelm\\skf.dll"));
    AddEntry(context.setupIndex, "#Tolvane.dll");
    AddEntry(context.systemIndex, "#TolvaneKelm\\skf.dll");
    context.closedPrograms.push_back("kept from before");

    // Started in the other order, so that the order seen is the driver's, not the start order.
    const std::string systemHolderPath = temp / "bin\\SystemHolder.exe";
    const std::string installHolderPath = temp / "bin\\InstallHolder.exe";
    ASSERT_TRUE(CopyProgram(OwnFolder() + "proc_helper.exe", systemHolderPath));
    ASSERT_TRUE(CopyProgram(OwnFolder() + "proc_helper.exe", installHolderPath));
    ChildProcess systemHolder, installHolder;
    ASSERT_TRUE(systemHolder.Start(systemHolderPath, {"load=" + context.systemFolder + "TolvaneKelm\\skf.dll"}));
    ASSERT_TRUE(installHolder.Start(installHolderPath, {"load=" + context.installFolder + "Tolvane.dll"}));

    CloseProgramsHoldingFiles(context);

    ASSERT_EQ(context.closedPrograms.size(), 3u);
    EXPECT_EQ(context.closedPrograms[0], "kept from before");
    EXPECT_TRUE(EqualAsciiFolded(context.closedPrograms[1], installHolderPath)) << context.closedPrograms[1];
    EXPECT_TRUE(EqualAsciiFolded(context.closedPrograms[2], systemHolderPath)) << context.closedPrograms[2];
    EXPECT_TRUE(installHolder.WaitForExit(15000));
    EXPECT_TRUE(systemHolder.WaitForExit(15000));
}

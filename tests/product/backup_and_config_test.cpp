// The configuration files in Documents and the installer's own copy.
#include "support.h"

#include "sysint/backup_installer.h"
#include "sysint/config_files.h"
#include "win/shell_folder.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

namespace product_test {
namespace {

TEST(CopyConfigFiles, PresentFilesReachDocumentsMissingOneSkipped)
{
    const std::string documents = GetFolderPath(CSIDL_PERSONAL) + "\\";
    ASSERT_NE("\\", documents);
    for (const char* name : {"StampServerPDFIP.cfg", "StampServerPDFPort.cfg", "StampServerPDFObjName.cfg"})
        ::DeleteFileA((documents + name).c_str());
    std::string install = ScratchFolder("Tolvane 配置");
    WriteFile(install + "StampServerPDFIP.cfg", "10.0.0.1");
    WriteFile(install + "StampServerPDFObjName.cfg", "seal\r\nobject");
    WriteFile(documents + "StampServerPDFObjName.cfg", "old");

    CopyConfigFiles("");
    EXPECT_FALSE(Exists(documents + "StampServerPDFIP.cfg"));

    CopyConfigFiles(install);
    EXPECT_EQ("10.0.0.1", ReadFile(documents + "StampServerPDFIP.cfg"));
    EXPECT_FALSE(Exists(documents + "StampServerPDFPort.cfg"));
    EXPECT_EQ("seal\r\nobject", ReadFile(documents + "StampServerPDFObjName.cfg"));
}

std::string OwnProgram()
{
    char path[1024] = {};
    ::GetModuleFileNameA(nullptr, path, sizeof path);
    return path;
}

TEST(BackupInstaller, ByteForByteAndReplacedByTheNextRun)
{
    std::string install = ScratchFolder("Tolvane 备份");
    const std::string own = ReadFile(OwnProgram());
    ASSERT_GT(own.size(), 0u);

    BackupInstaller(install);
    EXPECT_TRUE(ReadFile(install + "sbak.exe") == own);

    // An earlier copy, longer than the program, is replaced as a whole.
    WriteFile(install + "sbak.exe", std::string(own.size() + 4096, 'x'));
    BackupInstaller(install);
    EXPECT_TRUE(ReadFile(install + "sbak.exe") == own);
    EXPECT_FALSE(Exists(install + "sbak.exe.~new"));
}

TEST(BackupInstaller, FailedWriteKeepsTheEarlierCopy)
{
    std::string install = ScratchFolder("Tolvane 旧备份");
    WriteFile(install + "sbak.exe", "earlier copy");
    // The temporary copy cannot be made: its name is taken by a folder.
    ASSERT_TRUE(::CreateDirectoryA((install + "sbak.exe.~new").c_str(), nullptr));

    BackupInstaller(install);

    EXPECT_EQ("earlier copy", ReadFile(install + "sbak.exe"));
}

TEST(BackupInstaller, UnwritableFolderLeavesNothing)
{
    std::string missing = GetTempFolder() + "no such folder\\";
    BackupInstaller(missing);
    EXPECT_FALSE(Exists(missing + "sbak.exe"));
    EXPECT_FALSE(Exists(missing));
}

}  // namespace
}  // namespace product_test

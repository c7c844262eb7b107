#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <string>

#include "proc/autoclose_dlg.h"
#include "child_process.h"
#include "proc/close_lock_holders.h"
#include "proc/lock_detection.h"
#include "proc/processes.h"
#include "support.h"

namespace {

constexpr DWORD kExitWaitMs = 15000;

ContainerIndex IndexOf(std::initializer_list<const char*> names)
{
    ContainerIndex index;
    for (const char* name : names) {
        ContainerEntry& entry = index.entries[name];
        entry.name = name;
        entry.size = 1;
    }
    return index;
}

std::string Upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
    return text;
}

// An installation folder with copies of the test library under installation
// names, and helper processes that load them.
class LockHolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = temp_ / "TolvaneKelm\\";
        for (const char* name :
             {"Tolvane.dll", "sub\\Second.dll", "atl100chs.dll", "Upper.DLL", "Late.dll", "Tools.exe\\plugin.bin"})
            ASSERT_TRUE(CopyProgram(OwnFolder() + "proc_helper_lib.dll", folder_ + name));
    }

    // Starts a copy of the helper named program (in a folder of its own) that loads the given files.
    std::unique_ptr<ChildProcess> StartHolder(const std::string& program, std::initializer_list<const char*> files)
    {
        std::string path = temp_ / "bin\\" + program;
        EXPECT_TRUE(CopyProgram(OwnFolder() + "proc_helper.exe", path));
        std::vector<std::string> args;
        for (const char* file : files)
            args.push_back("load=" + folder_ + file);
        auto child = std::make_unique<ChildProcess>();
        EXPECT_TRUE(child->Start(path, args)) << program;
        paths_[child->Pid()] = path;
        return child;
    }

    std::string PathOf(const ChildProcess& child) { return paths_[child.Pid()]; }

    TempFolder temp_;
    std::string folder_;
    std::map<uint32_t, std::string> paths_;
};

}  // namespace

TEST_F(LockHolderTest, FindsEachHolderOnceInDiscoveryOrderAndClosesThem)
{
    auto onlySecond = StartHolder("OnlySecond.exe", {"sub\\Second.dll"});
    auto both = StartHolder("Both.exe", {"Tolvane.dll", "sub\\Second.dll"});
    // Shared runtime files and names with a capital extension are not searched for.
    auto passedOver = StartHolder("PassedOver.exe", {"atl100chs.dll", "Upper.DLL"});
    auto idle = StartHolder("Idle.exe", {});
    // ".exe" in a folder name is enough to be searched for.
    auto plugin = StartHolder("Plugin.exe", {"Tools.exe\\plugin.bin"});

    // Key order: "#Tolvane.dll", "#Tools.exe\plugin.bin", ..., "#sub\Second.dll".
    ContainerIndex index = IndexOf({"#sub\\Second.dll", "#Tools.exe\\plugin.bin", "#Tolvane.dll", "#atl100chs.dll",
                                    "#Upper.DLL", "#readme.txt"});
    LockHolderList found = FindLockHolders(folder_, index);
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].pid, both->Pid());
    EXPECT_EQ(found[1].pid, plugin->Pid());
    EXPECT_EQ(found[2].pid, onlySecond->Pid());
    EXPECT_TRUE(EqualAsciiFolded(found[0].path, PathOf(*both))) << found[0].path;
    EXPECT_TRUE(EqualAsciiFolded(found[2].path, PathOf(*onlySecond))) << found[2].path;

    // Every process that has the file loaded.
    EXPECT_EQ(FindModuleHolders(folder_ + "sub\\Second.dll").size(), 2u);

    LockHolderList closed = {{"left from before", 1}};
    ASSERT_TRUE(CloseLockHolders(folder_, index, closed));
    ASSERT_EQ(closed.size(), found.size());
    for (size_t i = 0; i < found.size(); ++i) {
        EXPECT_EQ(closed[i].pid, found[i].pid);
        EXPECT_EQ(closed[i].path, found[i].path);
    }
    EXPECT_TRUE(both->WaitForExit(kExitWaitMs));
    EXPECT_TRUE(onlySecond->WaitForExit(kExitWaitMs));
    EXPECT_TRUE(plugin->WaitForExit(kExitWaitMs));
    EXPECT_TRUE(passedOver->Running());
    EXPECT_TRUE(idle->Running());

    // Nothing holds the files any more: true, and the list is left as it was.
    LockHolderList untouched = {{"kept", 7}};
    EXPECT_TRUE(CloseLockHolders(folder_, index, untouched));
    ASSERT_EQ(untouched.size(), 1u);
    EXPECT_EQ(untouched[0].path, "kept");
}

TEST_F(LockHolderTest, MatchesPathsInOtherAsciiCaseButNotOtherSpellings)
{
    auto holder = StartHolder("Holder.exe", {"Tolvane.dll"});
    const std::string file = folder_ + "Tolvane.dll";

    LockHolderList same = FindModuleHolders(Upper(file));
    ASSERT_EQ(same.size(), 1u);
    EXPECT_EQ(same[0].pid, holder->Pid());

    std::string slashes = file;
    std::replace(slashes.begin(), slashes.end(), '\\', '/');
    std::string doubled = folder_ + "\\Tolvane.dll";
    for (const std::string& other : {slashes, doubled})
        EXPECT_TRUE(FindModuleHolders(other).empty()) << other;

    // A container whose paths name no program or library is not searched at all.
    ContainerIndex texts = IndexOf({"#Tolvane.txt", "#sub\\notes.ini"});
    LockHolderList closed;
    EXPECT_TRUE(CloseLockHolders(folder_, texts, closed));
    EXPECT_TRUE(closed.empty());
    EXPECT_TRUE(holder->Running());
}

TEST_F(LockHolderTest, KeepsTheFirstModuleListOfAProcess)
{
    std::string path = temp_ / "bin\\Late.exe";
    ASSERT_TRUE(CopyProgram(OwnFolder() + "proc_helper.exe", path));
    TestEvent started, go, loaded;
    ChildProcess late;
    ASSERT_TRUE(late.Start(path,
                           {"ready=" + started.Name(), "wait=" + go.Name(), "load=" + folder_ + "Late.dll",
                            "ready=" + loaded.Name()},
                           false));
    ASSERT_TRUE(started.Wait(30000));
    const ModulePathList first = GetModulePaths(late.Pid());
    ASSERT_FALSE(first.empty());
    EXPECT_TRUE(EqualAsciiFolded(first[0], path)) << first[0];

    go.Set();
    ASSERT_TRUE(loaded.Wait(30000));
    EXPECT_EQ(GetModulePaths(late.Pid()), first);
    EXPECT_TRUE(FindModuleHolders(folder_ + "Late.dll").empty());
    EXPECT_TRUE(ModulePathCache.Holds(late.Pid(), 0));
}

TEST(CloseProgramsDialog, ListsSortedTerminatesAndEndsWithOkBeforeItIsShown)
{
    TempFolder temp;
    ChildProcess first, second;
    ASSERT_TRUE(CopyProgram(OwnFolder() + "proc_helper.exe", temp / "First.exe"));
    ASSERT_TRUE(first.Start(temp / "First.exe", {}));
    ASSERT_TRUE(second.Start(temp / "First.exe", {}));

    cautoclosedlg dialog({{"C:\\b\\Zeta.exe", first.Pid()}, {"C:\\a\\数字.exe", second.Pid()}, {"", 0}});
    ASSERT_TRUE(dialog.Create());
    ASSERT_NE(dialog.GetSafeHwnd(), nullptr);
    EXPECT_FALSE(dialog.IsVisible());
    ASSERT_EQ(dialog.m_list.GetCount(), 3);
    EXPECT_EQ(dialog.m_list.GetText(0), "");
    EXPECT_EQ(dialog.m_list.GetText(1), "C:\\a\\数字.exe");
    EXPECT_EQ(dialog.m_list.GetText(2), "C:\\b\\Zeta.exe");
    EXPECT_TRUE(first.WaitForExit(kExitWaitMs));
    EXPECT_TRUE(second.WaitForExit(kExitWaitMs));
    EXPECT_EQ(dialog.RunModalLoop(), IDOK);
}

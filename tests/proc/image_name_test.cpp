#include <gtest/gtest.h>

#include <set>
#include <string>

#include "install/install_stop_list.h"
#include "proc/processes.h"

namespace {

struct NameCase {
    const char* name;
    const char* path;
    bool matches;
};

const NameCase kNameCases[] = {
    {"Tolvane.exe", "C:\\Program Files\\TolvaneKelm\\Tolvane.exe", true},
    {"tolvane.EXE", "C:\\Program Files\\TolvaneKelm\\TOLVANE.exe", true},  // ASCII letters fold
    {"Tolvane.exe", "C:/x/Tolvane.exe", true},                             // "/" separates too
    {"Tolvane.exe", "C:\\x\\Tolvane.exe.bak", false},
    {"Tolvane", "C:\\x\\Tolvane.exe", false},                   // no extension, no match
    {"x\\Tolvane.exe", "C:\\x\\Tolvane.exe", false},            // a folder part never matches
    {"Tolvane.exe", "Tolvane.exe", false},                      // no separator: empty file name
    {"Tolvane.exe", "\\Tolvane.exe", false},                    // the first byte is no separator
    {"a[b]@.exe", "C:\\x\\a{b}`.exe", false},                   // only A-Z fold
    {"数字证书.exe", "C:\\x\\数字证书.exe", true},
    {"数字证书.exe", "C:\\x\\数字证书1.exe", false},
};

}  // namespace

TEST(ImageNameMatches, ComparesOnlyTheFileNameWithAsciiLettersFolded)
{
    for (const NameCase& c : kNameCases)
        EXPECT_EQ(ImageNameMatches(c.name, c.path), c.matches) << c.name << " / " << c.path;
}

TEST(InstallStopList, HoldsTwoRunsOfNames)
{
    ASSERT_EQ(InstallStopListSize, 77u);
    std::set<std::string> names;
    for (size_t i = 0; i < InstallStopListSize; ++i)
        names.insert(InstallStopList[i].imageName);
    EXPECT_EQ(names.size(), 54u);

    // The second run starts by repeating the first run's names but its first.
    for (size_t i = 1; i < 22; ++i)
        EXPECT_STREQ(InstallStopList[21 + i].imageName, InstallStopList[i].imageName) << i;
    for (size_t i = 22; i < InstallStopListSize; ++i)
        EXPECT_STRNE(InstallStopList[i].imageName, InstallStopList[0].imageName) << i;

    for (const char* program : {"Tolvane.exe", "TolvaneGUI.exe", "TolvaneUpdate.exe", "TolvaneNews.exe",
                                "TolvaneNotice.exe", "ImportRootCert.exe", "ImportRootCert1.exe",
                                "CommonOfdClientKelm.exe", "SwOESServer.exe", "AHCAHDDriverSetup.exe", "javaw.exe"}) {
        bool inSecondRun = false;
        for (size_t i = 22; i < InstallStopListSize; ++i)
            inSecondRun = inSecondRun || std::string(InstallStopList[i].imageName) == program;
        EXPECT_TRUE(inSecondRun) << program;
    }
    // The token service is restarted from the closed programs, so it is never stopped by name.
    EXPECT_EQ(names.count("KSecServ.exe"), 0u);
}

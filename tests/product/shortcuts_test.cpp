// The suite's shortcuts, read back through the shell's own link interface.
#include "footprint.h"
#include "support.h"

#include "sysint/product_shortcuts.h"
#include "sysint/shortcut.h"
#include "win/shell_folder.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

namespace product_test {
namespace {

using footprint::ReadLink;

// The shell may or may not keep the doubled backslash of a target.
std::wstring Collapsed(std::wstring path)
{
    for (size_t at; (at = path.find(L"\\\\", 2)) != std::wstring::npos;)
        path.erase(at, 1);
    return path;
}

const wchar_t kCertClient[] = L"Halvor\u6570\u5b57\u8bc1\u4e66\u5ba2\u6237\u7aef.lnk";  // Halvor数字证书客户端
const wchar_t kSealClient[] = L"Halvor\u7535\u5b50\u7b7e\u7ae0\u5ba2\u6237\u7aef.lnk";  // Halvor电子签章客户端
const wchar_t kUninstall[] = L"\u5378\u8f7d.lnk";                                       // 卸载
// Halvor数字证书和电子签章客户端
const wchar_t kGroup[] = L"Halvor\u6570\u5b57\u8bc1\u4e66\u548c\u7535\u5b50\u7b7e\u7ae0\u5ba2\u6237\u7aef";

class Shortcuts : public ::testing::Test {
protected:
    void SetUp() override
    {
        desktop = Wide(GetSpecialFolderPath(CSIDL_COMMON_DESKTOPDIRECTORY, true)) + L"\\";
        group = Wide(GetSpecialFolderPath(CSIDL_COMMON_PROGRAMS, true)) + L"\\" + kGroup + L"\\";
        // An installation folder whose name has a blank and a Chinese character.
        install = ScratchFolder("Tolvane 安装");
        Reset();
    }

    // No shortcut and no group; every program in the installation folder.
    void Reset()
    {
        for (const wchar_t* name : {kCertClient, kSealClient, kUninstall}) {
            ::DeleteFileW((desktop + name).c_str());
            ::DeleteFileW((group + name).c_str());
        }
        ::RemoveDirectoryW(group.c_str());
        for (const char* program : {"TolvaneGUI.exe", "CommonOfdClientKelm.exe", "uninstall.exe"})
            WriteFile(install + program, "MZ");
    }

    // A shortcut to the program in the installation folder, working in that folder.
    void ExpectLink(const std::wstring& link, const char* program)
    {
        SCOPED_TRACE(Utf8(link));
        footprint::Link info = ReadLink(link);
        ASSERT_TRUE(info.read);
        EXPECT_EQ(Utf8(Collapsed(Wide(install + "\\" + program))), Utf8(Collapsed(info.target)));
        // The target cut at its last backslash: one backslash at the end.
        EXPECT_EQ(Utf8(Wide(install)), Utf8(info.folder));
        EXPECT_EQ(L"", info.arguments);
    }

    std::wstring desktop, group;
    std::string install;
};

// Each shortcut exists where the desktop choice and the installed programs
// call for it, and nowhere else.
TEST_F(Shortcuts, EachWhereTheChoiceAndTheProgramsCallForIt)
{
    const struct {
        const char* what;
        bool desktop;     // the desktop shortcuts were chosen
        bool sealClient;  // CommonOfdClientKelm.exe is installed
    } cases[] = {
        {"desktop chosen", true, true},
        {"desktop not chosen", false, true},
        {"no seal client", true, false},
    };
    const struct {
        bool onDesktop;
        const wchar_t* name;
        const char* program;
    } links[] = {
        {true, kCertClient, "TolvaneGUI.exe"},      {true, kSealClient, "CommonOfdClientKelm.exe"},
        {false, kCertClient, "TolvaneGUI.exe"},     {false, kSealClient, "CommonOfdClientKelm.exe"},
        {false, kUninstall, "uninstall.exe"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Reset();
        if (!c.sealClient)
            ::DeleteFileA((install + "CommonOfdClientKelm.exe").c_str());

        CreateProductShortcuts(install, c.desktop);

        for (const auto& link : links) {
            const std::wstring path = (link.onDesktop ? desktop : group) + link.name;
            const bool wanted = (!link.onDesktop || c.desktop) &&
                                (c.sealClient || std::string(link.program) != "CommonOfdClientKelm.exe");
            if (wanted)
                ExpectLink(path, link.program);
            else
                EXPECT_FALSE(ExistsWide(path)) << Utf8(path);
        }
    }
}

TEST_F(Shortcuts, ExistingGroupIsReusedAndItsShortcutsReplaced)
{
    ASSERT_TRUE(::CreateDirectoryW(group.c_str(), nullptr));
    HANDLE stale = ::CreateFileW((group + kCertClient).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, stale);
    DWORD written = 0;
    ::WriteFile(stale, "not a link", 10, &written, nullptr);
    ::CloseHandle(stale);
    HANDLE other = ::CreateFileW((group + L"readme.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ::CloseHandle(other);

    CreateProductShortcuts(install, false);

    ExpectLink(group + kCertClient, "TolvaneGUI.exe");
    ExpectLink(group + kUninstall, "uninstall.exe");
    EXPECT_TRUE(ExistsWide(group + L"readme.txt"));
    ::DeleteFileW((group + L"readme.txt").c_str());
}

TEST_F(Shortcuts, MissingTargetCreatesNothing)
{
    std::string link = GetTempFolder() + "missing.lnk";
    EXPECT_FALSE(CreateShortcut(install + "\\nothing.exe", link));
    EXPECT_FALSE(Exists(link));
    EXPECT_TRUE(CreateShortcut(install + "\\uninstall.exe", link));
    ExpectLink(Wide(link), "uninstall.exe");
}

}  // namespace
}  // namespace product_test

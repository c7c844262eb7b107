// The install driver's own steps: the installation folder and the reset of
// the document reader's profile. Each run has a fresh Wine prefix.
#include "install/install_folder.h"
#include "install/reader_profile.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <fstream>
#include <string>

namespace {

std::string ShellFolder(int csidl)
{
    char folder[MAX_PATH] = {};
    ::SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, folder);
    return folder;
}

void WriteFile(const std::string& path, const std::string& content)
{
    std::ofstream(path, std::ios::binary) << content;
}

bool Exists(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Checks a name as Unicode, so that a wrong code page cannot pass unnoticed.
bool ExistsWide(const std::wstring& path)
{
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring Wide(const std::string& narrow)
{
    wchar_t buffer[MAX_PATH * 2] = {};
    ::MultiByteToWideChar(CP_ACP, 0, narrow.c_str(), -1, buffer, MAX_PATH * 2);
    return buffer;
}

TEST(InstallFolder, ProgramFilesTolvaneKelmWithTrailingBackslash)
{
    std::string programFiles = ShellFolder(CSIDL_PROGRAM_FILES);
    ASSERT_FALSE(programFiles.empty());

    std::string folder = PrepareInstallFolder();
    EXPECT_EQ(folder, programFiles + "\\TolvaneKelm\\");
    EXPECT_TRUE(Exists(folder));

    char current[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, current);
    EXPECT_EQ(std::string(current), programFiles);

    // An existing folder is no error, and what it holds stays.
    WriteFile(folder + "kept.txt", "x");
    EXPECT_EQ(PrepareInstallFolder(), folder);
    EXPECT_TRUE(Exists(folder + "kept.txt"));
}

TEST(InstallFolder, SystemFolderEndsWithBackslash)
{
    EXPECT_EQ(SystemFolder(), ShellFolder(CSIDL_SYSTEM) + "\\");
}

TEST(ReaderProfile, ReplacedByThePayloadTemplates)
{
    std::string local = ShellFolder(CSIDL_LOCAL_APPDATA);
    std::string common = ShellFolder(CSIDL_COMMON_APPDATA);
    ASSERT_FALSE(local.empty());
    ASSERT_FALSE(common.empty());

    // An old profile with a nested folder, and the machine licence file.
    std::string profile = local + "\\SuwellReader";
    ASSERT_TRUE(::CreateDirectoryA(profile.c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryA((profile + "\\cache").c_str(), nullptr));
    WriteFile(profile + "\\settings.ini", "old");
    WriteFile(profile + "\\cache\\page.bin", "old");
    ::CreateDirectoryA((common + "\\suwellreader").c_str(), nullptr);
    WriteFile(common + "\\suwellreader\\lic", "licence");
    WriteFile(common + "\\suwellreader\\other", "stays");

    // The templates the payload carries, with a Chinese name and a sub-folder.
    char temp[MAX_PATH + 1] = {};
    ::GetTempPathA(MAX_PATH, temp);
    std::string install = std::string(temp) + "安装\\";
    std::string templates = install + "Reader_Pro\\propertytemplate\\";
    ASSERT_TRUE(::CreateDirectoryA(install.c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryA((install + "Reader_Pro").c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryA(templates.c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryA((templates + "印章").c_str(), nullptr));
    // "乗" is 0x81 0x5C in code page 936: its second byte is "\".
    ASSERT_TRUE(::CreateDirectoryA((templates + "乗模板").c_str(), nullptr));
    WriteFile(templates + "默认模板.xml", "<template/>");
    WriteFile(templates + "印章\\seal.xml", "<seal/>");
    WriteFile(templates + "乗模板\\page.xml", "<page/>");

    ResetReaderProfile(install);

    EXPECT_FALSE(Exists(profile + "\\settings.ini"));
    EXPECT_FALSE(Exists(profile + "\\cache"));
    EXPECT_FALSE(Exists(common + "\\suwellreader\\lic"));
    EXPECT_TRUE(Exists(common + "\\suwellreader\\other"));
    std::wstring copied = Wide(profile) + L"\\propertytemplate\\";
    EXPECT_TRUE(ExistsWide(copied + L"\u9ed8\u8ba4\u6a21\u677f.xml"));
    EXPECT_TRUE(ExistsWide(copied + L"\u5370\u7ae0\\seal.xml"));
    EXPECT_TRUE(ExistsWide(copied + L"\u4e57\u6a21\u677f\\page.xml"));
    // Exactly the folders of the templates: no stray one-byte folder beside them.
    WIN32_FIND_DATAW item{};
    HANDLE find = ::FindFirstFileW((copied + L"*").c_str(), &item);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    int folders = 0;
    do {
        if ((item.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && wcscmp(item.cFileName, L".") &&
            wcscmp(item.cFileName, L".."))
            ++folders;
    } while (::FindNextFileW(find, &item));
    ::FindClose(find);
    EXPECT_EQ(folders, 2);
}

TEST(ReaderProfile, MissingTemplatesLeaveAnEmptyProfile)
{
    std::string local = ShellFolder(CSIDL_LOCAL_APPDATA);
    char temp[MAX_PATH + 1] = {};
    ::GetTempPathA(MAX_PATH, temp);

    ResetReaderProfile(std::string(temp) + "no-such-install\\");

    EXPECT_TRUE(Exists(local + "\\SuwellReader\\propertytemplate"));
}

}  // namespace

// The removal helpers: folder trees (read-only, hidden, held open, links),
// the log folder, the history files, and the system-file list.
#include "cleanup/removal.h"
#include "cleanup/system_file_list.h"
#include "payload/container.h"

#include <gtest/gtest.h>

#include <shlobj.h>
#include <shellapi.h>

#include "child_process.h"
#include "win_fixture.h"

namespace {

using fixture::Exists;
using fixture::PlaceFile;

std::string N(const std::wstring& text)
{
    return fixture::Narrow(text);
}

DWORD Attributes(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str());
}

// Makes a Unix symbolic link at link to target, as a junction shows under
// Wine (directory and reparse point), with the host's ln.
bool MakeFolderLink(const std::wstring& target, const std::wstring& link)
{
    using UnixName = char*(CDECL*)(LPCWSTR);
    auto unixName =
        reinterpret_cast<UnixName>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!unixName)
        return false;
    char* unixTarget = unixName(target.c_str());
    std::wstring parent = link.substr(0, link.find_last_of(L'\\'));
    char* unixParent = unixName(parent.c_str());
    if (!unixTarget || !unixParent)
        return false;
    std::wstring arguments = L"-s \"" + ui::FromUtf8(unixTarget) + L"\" \"" + ui::FromUtf8(unixParent) + L"/" +
                           link.substr(link.find_last_of(L'\\') + 1) + L"\"";
    HeapFree(GetProcessHeap(), 0, unixTarget);
    HeapFree(GetProcessHeap(), 0, unixParent);
    // Wine starts a Unix program through the shell.
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    info.lpFile = L"Z:\\bin\\ln";
    info.lpParameters = arguments.c_str();
    info.nShow = SW_HIDE;
    if (!ShellExecuteExW(&info))
        return false;
    // A Unix program may come without a process handle: wait for the link.
    if (info.hProcess)
        CloseHandle(info.hProcess);
    return ui::WaitFor(
        [&] {
            const DWORD attributes = Attributes(link);
            return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        },
        10000);
}

// A folder with a read-only file and a hidden sub folder holding a
// read-only and a system file.
void MakeTree(const std::wstring& folder)
{
    ASSERT_TRUE(PlaceFile(folder + L"\\只读.txt"));
    ASSERT_TRUE(PlaceFile(folder + L"\\隐藏\\a.txt"));
    ASSERT_TRUE(PlaceFile(folder + L"\\隐藏\\b.dll"));
    SetFileAttributesW((folder + L"\\只读.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    SetFileAttributesW((folder + L"\\隐藏\\a.txt").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesW((folder + L"\\隐藏\\b.dll").c_str(), FILE_ATTRIBUTE_SYSTEM);
    SetFileAttributesW((folder + L"\\隐藏").c_str(), FILE_ATTRIBUTE_HIDDEN);
}

TEST(DeleteFolderTree, RemovesEverythingWithOrWithoutTrailingBackslash)
{
    for (const wchar_t* ending : {L"", L"\\"}) {
        SCOPED_TRACE(*ending ? "with backslash" : "without");
        const std::wstring folder = fixture::FreshFolder(L"删除 树") + L"\\旧版";
        MakeTree(folder);
        DeleteFolderTree(N(folder + ending));
        EXPECT_FALSE(Exists(folder));
        EXPECT_TRUE(Exists(folder.substr(0, folder.find_last_of(L'\\'))));
    }
}

TEST(DeleteFolderTree, MissingFolderIsNothing)
{
    const std::wstring parent = fixture::FreshFolder(L"删除 树");
    ASSERT_TRUE(PlaceFile(parent + L"\\留下.txt"));
    DeleteFolderTree(N(parent + L"\\不存在"));
    DeleteFolderTree(N(parent + L"\\不存在\\"));
    EXPECT_TRUE(Exists(parent + L"\\留下.txt"));
}

TEST(DeleteFolderTree, FileHeldOpenKeepsItselfAndTheFoldersAboveIt)
{
    const std::wstring folder = fixture::FreshFolder(L"删除 树") + L"\\旧版";
    MakeTree(folder);
    const std::wstring held = folder + L"\\上层\\下层\\占用.dat";
    ASSERT_TRUE(PlaceFile(held));
    ASSERT_TRUE(PlaceFile(folder + L"\\上层\\其他.txt"));
    ChildProcess holder;
    ASSERT_TRUE(holder.Start(OwnFolder() + "proc_helper.exe", {"hold=" + N(held)}));

    DeleteFolderTree(N(folder));

    EXPECT_TRUE(Exists(held));
    EXPECT_TRUE(Exists(folder + L"\\上层\\下层"));
    EXPECT_TRUE(Exists(folder));
    EXPECT_FALSE(Exists(folder + L"\\上层\\其他.txt"));
    EXPECT_FALSE(Exists(folder + L"\\隐藏"));
    EXPECT_FALSE(Exists(folder + L"\\只读.txt"));
}

TEST(DeleteFolderTree, LinkInsideIsRemovedAndItsTargetKeepsEveryFile)
{
    const std::wstring base = fixture::FreshFolder(L"链接 测试");
    const std::wstring target = base + L"\\别处";
    ASSERT_TRUE(PlaceFile(target + L"\\重要.txt"));
    ASSERT_TRUE(PlaceFile(target + L"\\子目录\\数据.bin"));
    SetFileAttributesW((target + L"\\重要.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    const std::wstring folder = base + L"\\旧版";
    MakeTree(folder);
    ASSERT_TRUE(MakeFolderLink(target, folder + L"\\链接"));

    // Wine 8 cannot remove a link to a folder (it removes its Unix link
    // only as a folder, which fails); Windows removes a junction.
    ASSERT_TRUE(MakeFolderLink(target, base + L"\\探测"));
    const bool platformRemovesLinks = RemoveDirectoryW((base + L"\\探测").c_str()) != FALSE;

    DeleteFolderTree(N(folder));

    // Never entered: the target keeps every file and its attributes.
    EXPECT_TRUE(Exists(target + L"\\重要.txt"));
    EXPECT_TRUE(Exists(target + L"\\子目录\\数据.bin"));
    EXPECT_EQ(DWORD(FILE_ATTRIBUTE_READONLY), Attributes(target + L"\\重要.txt") & FILE_ATTRIBUTE_READONLY);
    // The rest of the folder is gone; the link and the folder too where the platform removes links.
    EXPECT_FALSE(Exists(folder + L"\\隐藏"));
    EXPECT_FALSE(Exists(folder + L"\\只读.txt"));
    if (platformRemovesLinks) {
        EXPECT_FALSE(Exists(folder + L"\\链接"));
        EXPECT_FALSE(Exists(folder));
    }
}

TEST(PruneLogFolder, RecordFilesStayOthersGoFolderEndsHidden)
{
    const std::wstring documents = fixture::ShellFolder(CSIDL_PERSONAL);
    const std::wstring log = documents + L"\\TolvaneKelmLog";
    for (const wchar_t* name : {L"a.rec", L"b.log", L"c.REC", L"子目录\\d.log"})
        ASSERT_TRUE(PlaceFile(log + L"\\" + name));
    SetFileAttributesW((log + L"\\子目录").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesW((log + L"\\b.log").c_str(), FILE_ATTRIBUTE_READONLY);
    SetFileAttributesW(log.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM);

    PruneLogFolder();

    EXPECT_TRUE(Exists(log + L"\\a.rec"));
    EXPECT_FALSE(Exists(log + L"\\b.log"));
    EXPECT_FALSE(Exists(log + L"\\c.REC"));
    EXPECT_TRUE(Exists(log + L"\\子目录\\d.log"));
    EXPECT_EQ(DWORD(FILE_ATTRIBUTE_DIRECTORY), Attributes(log + L"\\子目录"));
    EXPECT_EQ(DWORD(FILE_ATTRIBUTE_HIDDEN), Attributes(log) & ~DWORD(FILE_ATTRIBUTE_DIRECTORY));
    wchar_t current[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, current);
    EXPECT_EQ(0, lstrcmpiW(log.c_str(), current));
}

TEST(PruneLogFolder, WithoutLogFolderOnlyTheCurrentFolderChanges)
{
    const std::wstring documents = fixture::ShellFolder(CSIDL_PERSONAL);
    SetCurrentDirectoryW(setup::TempFolder().c_str());
    DeleteFolderTree(N(documents + L"\\TolvaneKelmLog"));
    ASSERT_FALSE(Exists(documents + L"\\TolvaneKelmLog"));
    PruneLogFolder();
    EXPECT_FALSE(Exists(documents + L"\\TolvaneKelmLog"));
    wchar_t current[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, current);
    EXPECT_EQ(0, lstrcmpiW(documents.c_str(), current));
}

TEST(DeleteNewsHistory, TheThreeFilesGoOthersStay)
{
    const std::wstring documents = fixture::ShellFolder(CSIDL_PERSONAL) + L"\\";
    const wchar_t* history[] = {L"TolvaneFirstNewsHistory", L"TolvaneNewsHistory", L"TolvaneNoticeHistory"};
    for (const wchar_t* name : history)
        ASSERT_TRUE(PlaceFile(documents + name));
    ASSERT_TRUE(PlaceFile(documents + L"TolvaneNewsHistory.bak"));
    DeleteNewsHistory();
    for (const wchar_t* name : history)
        EXPECT_FALSE(Exists(documents + name));
    EXPECT_TRUE(Exists(documents + L"TolvaneNewsHistory.bak"));
    // Without them: nothing happens.
    DeleteNewsHistory();
    EXPECT_TRUE(Exists(documents + L"TolvaneNewsHistory.bak"));
}

// One record of the list: the name in a 260-byte field, then a digest.
std::string Record(const std::string& name)
{
    std::string record(kSystemFileRecord, '\0');
    record.replace(0, name.size(), name);
    record.replace(kSystemFileNameField, kSm3Size, std::string(kSm3Size, '\xAB'));
    return record;
}

class ListedSystemFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        system = fixture::ShellFolder(CSIDL_SYSTEM) + L"\\";
        list = fixture::FreshFolder(L"旧安装");
    }

    // Writes the list into the old installation folder, makes it current,
    // and runs the deletion.
    void Run(const std::string& content)
    {
        ASSERT_TRUE(PlaceFile(list + L"\\sysdir.hash", content));
        ASSERT_TRUE(SetCurrentDirectoryW(list.c_str()));
        DeleteListedSystemFiles(N(system));
    }

    std::wstring system;
    std::wstring list;
};

TEST_F(ListedSystemFiles, RecordCountComesFromTheSize)
{
    const wchar_t* names[] = {L"清理一.dll", L"清理二.dll", L"清理三.dll", L"清理四.dll"};
    for (const wchar_t* name : names)
        ASSERT_TRUE(PlaceFile(system + name));

    // 291 bytes: no whole record.
    Run(Record(N(names[0])).substr(0, kSystemFileRecord - 1));
    for (const wchar_t* name : names)
        EXPECT_TRUE(Exists(system + name)) << ui::Utf8(name);

    // Three records and 100 bytes of a fourth.
    Run(Record(N(names[0])) + Record(N(names[1])) + Record(N(names[2])) + Record(N(names[3])).substr(0, 100));
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(Exists(system + names[i])) << ui::Utf8(names[i]);
    EXPECT_TRUE(Exists(system + names[3]));
}

TEST_F(ListedSystemFiles, SharedRuntimeFilesAndNamesOutsideStay)
{
    const std::wstring windows = system.substr(0, system.find_last_of(L'\\', system.size() - 2) + 1);
    for (const std::wstring& path : {system + L"atl100u.dll", system + L"mfc70.dll.bak", system + L"WINSCARD.DLL",
                                     system + L"清理\\组件.dll", windows + L"tolvane-outside.txt",
                                     std::wstring(L"C:\\tolvane-victim.txt"), std::wstring(L"C:\\tolvane-root.txt")})
        ASSERT_TRUE(PlaceFile(path)) << ui::Utf8(path);

    Run(Record("atl100u.dll") + Record("mfc70.dll.bak") + Record("WINSCARD.DLL") + Record(N(L"清理\\组件.dll")) +
        Record("..\\tolvane-outside.txt") + Record("C:\\tolvane-victim.txt") + Record("\\tolvane-root.txt") +
        Record("清理/../../tolvane-outside.txt"));

    EXPECT_TRUE(Exists(system + L"atl100u.dll"));
    EXPECT_TRUE(Exists(system + L"mfc70.dll.bak"));
    EXPECT_FALSE(Exists(system + L"WINSCARD.DLL"));
    EXPECT_FALSE(Exists(system + L"清理\\组件.dll"));
    EXPECT_TRUE(Exists(windows + L"tolvane-outside.txt"));
    EXPECT_TRUE(Exists(L"C:\\tolvane-victim.txt"));
    EXPECT_TRUE(Exists(L"C:\\tolvane-root.txt"));
}

}  // namespace

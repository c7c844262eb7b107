// Removing a registry key with everything below it.
#include "support.h"

#include "cleanup/registry_tree.h"
#include "win/reg_key.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>
#include <winternl.h>

#include <string>

namespace product_test {
namespace {

const std::string kBase = "Software\\TolvaneTest\\Tree";

void MakeKey(const std::string& key)
{
    SetValue(HKEY_CURRENT_USER, key, "value", "data");
    SetValue(HKEY_CURRENT_USER, key, nullptr, "default");
}

// The key the deleting thread works on.
std::string g_deletedKey;

DWORD WINAPI DeleteOnThread(LPVOID)
{
    DeleteRegistryTree(HKEY_CURRENT_USER, g_deletedKey.c_str());
    return 0;
}

// Runs DeleteRegistryTree on a thread of its own: false when it does not
// return within the bound.
bool DeleteReturns(const std::string& key, DWORD boundMs = 10000)
{
    g_deletedKey = key;
    HANDLE thread = ::CreateThread(nullptr, 0, &DeleteOnThread, nullptr, 0, nullptr);
    bool returned = ::WaitForSingleObject(thread, boundMs) == WAIT_OBJECT_0;
    ::CloseHandle(thread);
    return returned;
}

TEST(DeleteRegistryTree, ThreeLevelsWithValuesGoCompletely)
{
    const std::string root = kBase + "\\Three";
    MakeKey(root);
    MakeKey(root + "\\a");
    MakeKey(root + "\\a\\b");
    MakeKey(root + "\\a\\b\\c");
    MakeKey(root + "\\a\\b2");
    MakeKey(root + "\\中文键");
    MakeKey(root + "\\中文键\\子键");
    MakeKey(kBase + "\\Sibling");

    ASSERT_TRUE(DeleteReturns(root));

    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, root));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kBase + "\\Sibling"));
}

TEST(DeleteRegistryTree, KeyWithoutSubKeysAndMissingKey)
{
    const std::string leaf = kBase + "\\Leaf";
    MakeKey(leaf);
    ASSERT_TRUE(DeleteReturns(leaf));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, leaf));

    MakeKey(kBase + "\\Stays");
    ASSERT_TRUE(DeleteReturns(kBase + "\\Missing"));
    ASSERT_TRUE(DeleteReturns(kBase + "\\Missing\\Deeper"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kBase + "\\Stays"));
    EXPECT_EQ("data", ReadValue(HKEY_CURRENT_USER, kBase + "\\Stays", "value").text);
}

// The registry path of the current user's hive, as the kernel names it.
std::wstring UserHivePath()
{
    HANDLE token = nullptr;
    ::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token);
    BYTE buffer[256] = {};
    DWORD size = 0;
    std::wstring path;
    if (::GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size)) {
        wchar_t* sid = nullptr;
        if (::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &sid)) {
            path = std::wstring(L"\\Registry\\User\\") + sid;
            ::LocalFree(sid);
        }
    }
    ::CloseHandle(token);
    return path;
}

// A registry link below the tree (one a user could plant under a key of
// theirs): the link goes, what it points to stays.
TEST(DeleteRegistryTree, ALinkIsDeletedItselfNeverFollowed)
{
    const std::string root = kBase + "\\Resists";
    const std::string target = kBase + "\\LinkTarget";
    MakeKey(root + "\\a");
    MakeKey(root + "\\z");
    MakeKey(target + "\\child");

    HKEY link = nullptr;
    const std::string linkKey = root + "\\L";
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, linkKey.c_str(), 0, nullptr, REG_OPTION_CREATE_LINK, KEY_ALL_ACCESS,
                          nullptr, &link, nullptr) != ERROR_SUCCESS)
        GTEST_SKIP() << "registry links cannot be made here";
    std::wstring destination = UserHivePath() + L"\\" + std::wstring(target.begin(), target.end());
    ::RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(destination.c_str()),
                     static_cast<DWORD>(destination.size() * sizeof(wchar_t)));
    ::RegCloseKey(link);
    ASSERT_TRUE(KeyExists(HKEY_CURRENT_USER, linkKey + "\\child")) << "the link does not lead to its target";

    ASSERT_TRUE(DeleteReturns(root)) << "the walk does not end";

    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, root));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, target + "\\child")) << "the link was followed";
    EXPECT_EQ("data", ReadValue(HKEY_CURRENT_USER, target + "\\child", "value").text);
}

}  // namespace
}  // namespace product_test

#include "cleanup/registry_tree.h"

#include <windows.h>
#include <winternl.h>

#include <string>

// Deletes the key a handle was opened on, whatever names lead to it now.
extern "C" NTSTATUS NTAPI NtDeleteKey(HANDLE key);

namespace {

// Opens root\subKey itself: a registry link is opened as the link, never
// followed to its target.
HKEY OpenKeyItself(HKEY root, const char* subKey)
{
    HKEY key = nullptr;
    if (::RegOpenKeyExA(root, subKey, REG_OPTION_OPEN_LINK, KEY_ALL_ACCESS | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

bool IsRegistryLink(HKEY key)
{
    DWORD type = 0;
    return ::RegQueryValueExA(key, "SymbolicLinkValue", nullptr, &type, nullptr, nullptr) == ERROR_SUCCESS &&
           type == REG_LINK;
}

// Deletes the sub keys of key, then key itself through its handle.
void DeleteOpenedTree(HKEY key)
{
    if (!IsRegistryLink(key)) {
        // Each deleted sub key moves the next one to the same index; one that
        // is still there on the next read is passed over.
        std::string tried;
        for (DWORD index = 0;;) {
            char name[512] = {};
            DWORD length = sizeof name;
            if (::RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            if (tried == name) {
                ++index;
                tried.clear();
                continue;
            }
            tried = name;
            if (HKEY sub = OpenKeyItself(key, name)) {
                DeleteOpenedTree(sub);
                ::RegCloseKey(sub);
            } else {
                ++index;
                tried.clear();
            }
        }
    }
    // A link goes itself; what it points to stays.
    NtDeleteKey(key);
}

}  // namespace

void DeleteRegistryTree(HKEY root, const char* subKey)
{
    HKEY key = OpenKeyItself(root, subKey);
    if (!key)
        return;
    DeleteOpenedTree(key);
    ::RegCloseKey(key);
}

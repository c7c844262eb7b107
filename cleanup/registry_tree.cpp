#include "registry_tree.h"

#include "win/reg_key.h"

#include <string>

void DeleteRegistryTree(HKEY root, const char* subKey)
{
    {
        RegKey key;
        if (key.Open(root, subKey, KEY_ALL_ACCESS | KEY_WOW64_64KEY) == ERROR_SUCCESS) {
            // Each deleted sub key moves the next one to the same index; one
            // that is still there on the next read is passed over.
            std::string tried;
            for (DWORD index = 0;;) {
                char name[512] = {};
                DWORD length = sizeof name;
                if (::RegEnumKeyExA(key.Get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
                    ERROR_SUCCESS)
                    break;
                if (tried == name) {
                    ++index;
                    tried.clear();
                    continue;
                }
                tried = name;
                DeleteRegistryTree(key.Get(), name);
            }
        }
    }
    ::RegDeleteKeyA(root, subKey);
}

#include "win/reg_key.h"

#include <vector>

LONG RegKey::Open(HKEY root, const char* subKey, REGSAM access)
{
    LONG result = ::RegOpenKeyExA(root, subKey, 0, access, key_.Receive());
    if (result != ERROR_SUCCESS)
        key_.Release();
    return result;
}

LONG RegKey::Create(HKEY root, const char* subKey)
{
    LONG result = ::RegCreateKeyA(root, subKey, key_.Receive());
    if (result != ERROR_SUCCESS)
        key_.Release();
    return result;
}

LONG RegKey::Create(HKEY root, const char* subKey, REGSAM access)
{
    LONG result = ::RegCreateKeyExA(root, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                                    key_.Receive(), nullptr);
    if (result != ERROR_SUCCESS)
        key_.Release();
    return result;
}

LONG RegKey::SetString(const char* name, const std::string& value, DWORD type)
{
    return ::RegSetValueExA(key_.Get(), name, 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>(value.size() + 1));
}

LONG RegKey::SetDword(const char* name, DWORD value)
{
    return ::RegSetValueExA(key_.Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

bool RegKey::QueryString(const char* name, std::string& value, DWORD* type) const
{
    DWORD kind = 0;
    DWORD size = 0;
    if (::RegQueryValueExA(key_.Get(), name, nullptr, &kind, nullptr, &size) != ERROR_SUCCESS)
        return false;
    if (kind != REG_SZ && kind != REG_EXPAND_SZ)
        return false;
    // Room for a zero the stored value may lack.
    std::vector<char> buffer(size + 1, '\0');
    if (::RegQueryValueExA(key_.Get(), name, nullptr, &kind, reinterpret_cast<BYTE*>(buffer.data()), &size) !=
        ERROR_SUCCESS)
        return false;
    value.assign(buffer.data(), size);
    // The stored length may or may not count the terminating zero.
    while (!value.empty() && value.back() == '\0')
        value.pop_back();
    if (type)
        *type = kind;
    return true;
}

LONG RegKey::DeleteValue(const char* name)
{
    return ::RegDeleteValueA(key_.Get(), name);
}

// An opened registry key, closed when it goes. Every call is the -A form and
// takes narrow text; string values are written with their terminating zero
// counted in their length, as the platform requires.
#pragma once

#include "win/handle.h"

#include <string>

using RegKeyHandle = UniqueHandle<RegKeyTraits>;

class RegKey {
public:
    RegKey() = default;

    // RegOpenKeyExA. Returns the platform's result; on failure the key is closed.
    LONG Open(HKEY root, const char* subKey, REGSAM access);
    // RegCreateKeyA: opens or creates the key with full access in the process's view.
    LONG Create(HKEY root, const char* subKey);
    // RegCreateKeyExA with the access (and registry view) given.
    LONG Create(HKEY root, const char* subKey, REGSAM access);
    void Close() { key_.Reset(); }

    HKEY Get() const { return key_.Get(); }
    explicit operator bool() const { return static_cast<bool>(key_); }

    // REG_SZ or REG_EXPAND_SZ (type), the zero counted.
    LONG SetString(const char* name, const std::string& value, DWORD type = REG_SZ);
    LONG SetDword(const char* name, DWORD value);
    // A REG_SZ or REG_EXPAND_SZ value as stored (not expanded), without its
    // terminating zero. False when the value is missing or of another type.
    bool QueryString(const char* name, std::string& value, DWORD* type = nullptr) const;
    LONG DeleteValue(const char* name);

private:
    RegKeyHandle key_;
};

// One text value below HKEY_LOCAL_MACHINE.
#pragma once

#include <string>

// The value as stored (REG_EXPAND_SZ is not expanded), up to its first zero;
// empty when the key or the value is missing or longer than 32768 bytes.
std::string ReadMachineString(const char* subKey, const char* valueName);

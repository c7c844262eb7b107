#include "machine_string.h"

#include "win/reg_key.h"

#include <vector>

namespace {
constexpr DWORD kValueBufferSize = 32768;
}

std::string ReadMachineString(const char* subKey, const char* valueName)
{
    // One byte more than the query may fill: the text always ends in a zero.
    std::vector<char> buffer(kValueBufferSize + 1, '\0');
    RegKeyHandle key;
    if (::RegOpenKeyA(HKEY_LOCAL_MACHINE, subKey, key.Receive()) != ERROR_SUCCESS)
        return std::string();
    DWORD size = kValueBufferSize;
    if (::RegQueryValueExA(key.Get(), valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()), &size) !=
        ERROR_SUCCESS)
        return std::string();
    return buffer.data();
}

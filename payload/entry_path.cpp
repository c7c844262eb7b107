#include "payload/entry.h"

#include "win/path_split.h"

#include <cstring>

namespace {

// The names Windows gives to devices, with or without an extension.
constexpr const char* DeviceNames[] = {"CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2", "COM3", "COM4",
                                       "COM5", "COM6", "COM7", "COM8", "COM9", "LPT1", "LPT2", "LPT3",
                                       "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9"};

bool IsDeviceName(const std::string& component)
{
    // "CON", "con.txt", "Con .log": the part before the first dot, blanks trimmed.
    std::string base = component.substr(0, component.find('.'));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    if (base.size() < 3 || base.size() > 4)
        return false;
    for (const char* device : DeviceNames) {
        if (base.size() != std::strlen(device))
            continue;
        bool same = true;
        for (size_t i = 0; i < base.size() && same; ++i) {
            const char c = base[i] >= 'a' && base[i] <= 'z' ? static_cast<char>(base[i] - 'a' + 'A') : base[i];
            same = c == device[i];
        }
        if (same)
            return true;
    }
    return false;
}

}  // namespace

bool IsValidWindowsName(const std::string& component)
{
    if (component.empty() || component.back() == '.' || component.back() == ' ')
        return false;
    for (size_t i = 0; i < component.size(); ++i) {
        const char c = component[i];
        // The second byte of a double-byte character may be any of "\|" and
        // letters: it is part of its character.
        if (IsLeadByte936(c) && i + 1 < component.size() && IsTrailByte936(component[i + 1])) {
            ++i;
            continue;
        }
        if (static_cast<unsigned char>(c) < 0x20 || std::strchr("<>:\"/\\|?*", c))
            return false;
    }
    return !IsDeviceName(component);
}

bool EntryRelativePath(const std::string& name, std::string& rel)
{
    if (name.size() < 2)
        return false;
    const std::string path = name.substr(1);
    // Every component is a name Windows takes as it is: no "..", no drive or
    // stream, no device, nothing it would trim. Doubled separators and a
    // lone "." stay in the folder.
    size_t start = 0;
    bool anyName = false;
    while (start <= path.size()) {
        size_t end = FindNextSeparator(path, start, PathSeparators::BackslashOrSlash);
        if (end == std::string::npos)
            end = path.size();
        const std::string component = path.substr(start, end - start);
        if (!component.empty() && component != ".") {
            if (!IsValidWindowsName(component))
                return false;
            anyName = true;
        }
        start = end + 1;
    }
    if (!anyName)
        return false;
    rel = path;
    return true;
}

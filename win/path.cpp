#include "win/path.h"

#include <cstring>

namespace {

bool IsSeparator(char c, PathSeparators separators)
{
    return c == '\\' || (c == '/' && separators == PathSeparators::BackslashOrSlash);
}

}  // namespace

size_t FindNextSeparator(const std::string& path, size_t from, PathSeparators separators)
{
    for (size_t i = from; i < path.size(); ++i) {
        if (IsLeadByte936(path[i]) && i + 1 < path.size() && IsTrailByte936(path[i + 1])) {
            ++i;  // the second byte of a character is never a separator
            continue;
        }
        if (IsSeparator(path[i], separators))
            return i;
    }
    return std::string::npos;
}

size_t FindLastSeparator(const std::string& path, PathSeparators separators)
{
    // Only a walk from the start knows which bytes begin characters.
    size_t last = std::string::npos;
    for (size_t at = FindNextSeparator(path, 0, separators); at != std::string::npos;
         at = FindNextSeparator(path, at + 1, separators))
        last = at;
    return last;
}

bool EndsWithSeparator(const std::string& path, PathSeparators separators)
{
    return !path.empty() && FindLastSeparator(path, separators) == path.size() - 1;
}

bool PathWalker::Next()
{
    if (started_) {
        if (IsLast())
            return false;
        begin_ = end_ + 1;
    }
    started_ = true;
    end_ = FindNextSeparator(path_, begin_, separators_);
    if (end_ == std::string::npos)
        end_ = path_.size();
    return true;
}

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

bool IsInsideRelativePath(const std::string& path)
{
    constexpr PathSeparators kBoth = PathSeparators::BackslashOrSlash;
    if (path.empty() || FindNextSeparator(path, 0, kBoth) == 0)
        return false;
    bool anyName = false;
    for (PathWalker walk(path, kBoth); walk.Next();) {
        const std::string component = walk.Component();
        if (component.empty() || component == ".")
            continue;
        if (!IsValidWindowsName(component))
            return false;
        anyName = true;
    }
    return anyName;
}

std::string FolderWithSeparator(const std::string& path)
{
    const size_t separator = FindLastSeparator(path, PathSeparators::BackslashOrSlash);
    return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

std::string FolderWithoutSeparator(const std::string& path)
{
    const size_t separator = FindLastSeparator(path, PathSeparators::BackslashOrSlash);
    // The first character is never a cut.
    if (separator == std::string::npos || separator == 0)
        return path;
    return path.substr(0, separator);
}

std::string JoinPath(const std::string& folder, const std::string& name)
{
    if (folder.empty() || EndsWithSeparator(folder))
        return folder + name;
    return folder + "\\" + name;
}

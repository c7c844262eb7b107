#include "win/path_split.h"

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

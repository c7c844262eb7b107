#include "proc/processes.h"

#include "win/path.h"

namespace {

char FoldAsciiLetter(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

}  // namespace

bool EqualAsciiFolded(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldAsciiLetter(a[i]) != FoldAsciiLetter(b[i]))
            return false;
    return true;
}

bool ImageNameMatches(const std::string& name, const std::string& path)
{
    // The first byte is never a separator.
    const size_t slash = FindLastSeparator(path, PathSeparators::BackslashOrSlash);
    const std::string fileName = slash == std::string::npos || slash == 0 ? std::string() : path.substr(slash + 1);
    return EqualAsciiFolded(fileName, name);
}

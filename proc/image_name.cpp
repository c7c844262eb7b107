#include "processes.h"

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
    std::string fileName;
    // From the last byte back to the second: the first byte is never a separator.
    for (size_t i = path.size(); i-- > 1;) {
        if (path[i] == '\\' || path[i] == '/') {
            fileName = path.substr(i + 1);
            break;
        }
    }
    return EqualAsciiFolded(fileName, name);
}

#include "extract.h"

#include "fileio.h"

namespace {

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

// A lead byte of a double-byte character of code page 936: the byte after it
// belongs to the same character, even when it is 0x5C ("\").
bool IsLeadByte(char c)
{
    const unsigned char byte = static_cast<unsigned char>(c);
    return byte >= 0x81 && byte <= 0xFE;
}

}  // namespace

bool MakeDirsAlongPath(const std::string& path)
{
    size_t start = 0;
    for (size_t i = 0; i < path.size(); ++i) {
        if (IsLeadByte(path[i])) {
            ++i;
            continue;
        }
        if (!IsSeparator(path[i]))
            continue;
        const std::string component = path.substr(start, i - start);
        start = i + 1;
        if (component.empty())
            continue;
        MakeFolder(component);  // an existing folder is fine
        if (!ChangeFolder(component))
            return false;
    }
    return true;
}
